#include "LySongListDelegate.h"

#include "LyPictures.h"
#include "LySongCells.h"
#include "LySongListModel.h"

#include <QApplication>
#include <QFontMetrics>
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

const QStaticText& TLySongListDelegate::LaidOut(const QString& text, const QFont& font,
                                                int width) const {
    if (font != FTextFont) {
        FTexts.clear();
        FTextFont = font;
    }
    const TTextKey key{text, width};
    auto found = FTexts.constFind(key);
    if (found != FTexts.constEnd())
        return *found;
    if (FTexts.size() >= kTextCacheSize)
        FTexts.clear(); // a new page's texts replace the old ones
    // Shown as typed: plain text, one line, elided at the right like the style's.
    const QFontMetrics metrics(font);
    QString line = text;
    line.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QStaticText laidOut(metrics.elidedText(line, Qt::ElideRight, width));
    laidOut.setTextFormat(Qt::PlainText);
    laidOut.setPerformanceHint(QStaticText::AggressiveCaching);
    laidOut.prepare(QTransform(), font);
    return *FTexts.insert(key, laidOut);
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
    // The style lays a cell's text out several times (size, layout, elision); the text is
    // drawn here from a laid-out copy kept per text and width instead, since most cells of
    // a page repeat texts (status, genre, counts, artists and albums of neighbouring rows).
    const QString text = cell.text;
    cell.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
    if (!text.isEmpty()) {
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &cell, widget)
                               .adjusted(margin, 0, -margin, 0);
        const QPalette::ColorGroup group =
            !(cell.state & QStyle::State_Enabled)  ? QPalette::Disabled
            : !(cell.state & QStyle::State_Active) ? QPalette::Inactive
                                                   : QPalette::Normal;
        painter->save();
        painter->setFont(cell.font);
        painter->setPen(cell.palette.color(group, cell.state & QStyle::State_Selected
                                                      ? QPalette::HighlightedText
                                                      : QPalette::Text));
        painter->setClipRect(area, Qt::IntersectClip);
        const QStaticText& laidOut = LaidOut(text, cell.font, area.width());
        const QSizeF size = laidOut.size();
        const qreal x = cell.direction == Qt::RightToLeft ? area.right() + 1 - size.width()
                                                          : qreal(area.left());
        painter->drawStaticText(QPointF(x, area.top() + (area.height() - size.height()) / 2),
                                laidOut);
        painter->restore();
    }

    const int stars = index.data(TLySongListModel::StarCountRole).toInt();
    if (stars <= 0)
        return;
    const bool selectedInFocus =
        (option.state & QStyle::State_Selected) && widget && widget->hasFocus();
    const QString name = selectedInFocus ? QString::fromLatin1(kLySelectedStarPicture)
                                         : index.data(TLySongListModel::StarPictureRole).toString();
    const QPixmap star = LyPicture(name, kPictureSize, RatioOf(painter->device()));
    const int top = option.rect.top() + (option.rect.height() - kPictureSize) / 2;
    // The stars start at the cell's leading edge.
    const bool rightToLeft = option.direction == Qt::RightToLeft;
    const int step = rightToLeft ? -kPictureSize : kPictureSize;
    int left = rightToLeft ? option.rect.right() - 1 - kPictureSize : option.rect.left() + 2;
    painter->save();
    painter->setClipRect(option.rect);
    for (int i = 0; i < stars; ++i, left += step)
        painter->drawPixmap(left, top, star);
    painter->restore();
}

QSize TLySongListDelegate::sizeHint(const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(qMax(size.height(), kPictureSize + 2));
    return size;
}
