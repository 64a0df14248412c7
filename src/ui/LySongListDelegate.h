// Paints a song list's cells: the default look, the status picture in the Name column and the
// stars of the Rating, One and Two columns, all rendered at the device's pixel ratio.
#pragma once

#include <QStyledItemDelegate>

class TLySongListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int kPictureSize = 16;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
