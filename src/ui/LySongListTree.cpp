#include "LySongListTree.h"

#include "LySongListModel.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>

TLySongListTree::TLySongListTree(QWidget* parent)
    : QTreeView(parent) {}

TLySongListModel* TLySongListTree::SongModel() const {
    return qobject_cast<TLySongListModel*>(model());
}

void TLySongListTree::keyboardSearch(const QString& search) {
    TLySongListModel* songs = SongModel();
    if (!songs || songs->Frozen() || search.isEmpty() || songs->rowCount() == 0)
        return;
    const bool fresh =
        !FSearchTimer.isValid() || FSearchTimer.elapsed() > QApplication::keyboardInputInterval();
    FSearch = fresh ? search : FSearch + search;
    FSearchTimer.start();
    const int rows = songs->rowCount();
    const int current = currentIndex().isValid() ? currentIndex().row() : -1;
    // A new search starts after the current row; a longer one may stay on it.
    const int first = FSearch.size() == 1 ? current + 1 : qMax(current, 0);
    for (int i = 0; i < rows; ++i) {
        const int row = (first + i) % rows;
        const TLySong* song = songs->Song(row);
        if (song && songs->Side().Text(*song, sdName).startsWith(FSearch, Qt::CaseInsensitive)) {
            const QModelIndex found = songs->index(row, 0);
            selectionModel()->setCurrentIndex(found, QItemSelectionModel::ClearAndSelect |
                                                         QItemSelectionModel::Rows);
            scrollTo(found);
            return;
        }
    }
}

void TLySongListTree::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        TLySongListModel* songs = SongModel();
        const QModelIndex current = currentIndex();
        if (songs && current.isValid()) {
            const QModelIndex name = current.siblingAtColumn(0);
            const bool checked = name.data(Qt::CheckStateRole).toInt() == Qt::Checked;
            songs->setData(name, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        }
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void TLySongListTree::contextMenuEvent(QContextMenuEvent* event) {
    QPoint global = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        const QRect rect = visualRect(currentIndex());
        global = viewport()->mapToGlobal(rect.isValid() ? rect.bottomLeft() : QPoint(0, 0));
    }
    Q_EMIT PopupRequested(global);
    event->accept();
}
