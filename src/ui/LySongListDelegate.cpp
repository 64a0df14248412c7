#include "LySongListDelegate.h"

#include "LyPictures.h"
#include "LySongCells.h"
#include "LySongListModel.h"

#include <QApplication>
#include <QPainter>

namespace {

qreal RatioOf(const QPaintDevice* device) {
    return device ? device->devicePixelRatioF() : qApp->devicePixelRatio();
}

} // namespace

void TLySongListDelegate::initStyleOption(QStyleOptionViewItem* option,
                                          const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const QVariant picture = index.data(TLySongListModel::StatusPictureRole);
    if (picture.isValid()) {
        const qreal ratio = option->widget ? option->widget->devicePixelRatioF() : 1.0;
        option->icon = QIcon(LyPicture(picture.toString(), kPictureSize, ratio));
        option->decorationSize = QSize(kPictureSize, kPictureSize);
        option->features |= QStyleOptionViewItem::HasDecoration;
    }
}

void TLySongListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    if (cell.features & QStyleOptionViewItem::HasDecoration) {
        // The picture at the painter's own ratio (a grab may render at another one).
        const QString picture = index.data(TLySongListModel::StatusPictureRole).toString();
        cell.icon = QIcon(LyPicture(picture, kPictureSize, RatioOf(painter->device())));
    }
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);

    const int stars = index.data(TLySongListModel::StarCountRole).toInt();
    if (stars <= 0)
        return;
    const bool selectedInFocus =
        (option.state & QStyle::State_Selected) && widget && widget->hasFocus();
    const QString name = selectedInFocus ? QString::fromLatin1(kLySelectedStarPicture)
                                         : index.data(TLySongListModel::StarPictureRole).toString();
    const QPixmap star = LyPicture(name, kPictureSize, RatioOf(painter->device()));
    const int top = option.rect.top() + (option.rect.height() - kPictureSize) / 2;
    int left = option.rect.left() + 2;
    painter->save();
    painter->setClipRect(option.rect);
    for (int i = 0; i < stars; ++i, left += kPictureSize)
        painter->drawPixmap(left, top, star);
    painter->restore();
}

QSize TLySongListDelegate::sizeHint(const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(qMax(size.height(), kPictureSize + 2));
    return size;
}
