// Paints a song list's cells: the default look, the status picture in the Name column and the
// stars of the Rating, One and Two columns, all rendered at the device's pixel ratio.
#pragma once

#include <QFont>
#include <QHash>
#include <QStaticText>
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

private:
    struct TTextKey {
        QString Text;
        int Width;
        bool operator==(const TTextKey&) const = default;
        friend size_t qHash(const TTextKey& key, size_t seed = 0) {
            return qHashMulti(seed, key.Text, key.Width);
        }
    };
    // About two pages of cells.
    static constexpr qsizetype kTextCacheSize = 2048;

    // `text` elided to `width` and laid out in `font`, kept for the next paints.
    const QStaticText& LaidOut(const QString& text, const QFont& font, int width) const;

    mutable QHash<TTextKey, QStaticText> FTexts;
    mutable QFont FTextFont;
};
