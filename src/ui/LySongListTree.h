// The song list's tree widget: keyboard behaviour that a list of songs needs beyond the
// tree's own (type-ahead on names, Space on the check box, the context-menu key).
#pragma once

#include <QElapsedTimer>
#include <QTreeView>

class TLySongListModel;

class TLySongListTree : public QTreeView {
    Q_OBJECT
public:
    explicit TLySongListTree(QWidget* parent = nullptr);

    TLySongListModel* SongModel() const;
    // Finds the next row whose name starts with what was typed; nothing while frozen.
    void keyboardSearch(const QString& search) override;

Q_SIGNALS:
    // The context menu is wanted at `globalPos` (mouse, or the key on the current row).
    void PopupRequested(const QPoint& globalPos);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QString FSearch;
    QElapsedTimer FSearchTimer;
};
