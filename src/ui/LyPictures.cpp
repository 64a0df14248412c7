#include "LyPictures.h"

#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

namespace {

struct TKey {
    QString Name;
    int Size;
    qreal Ratio;
    bool operator==(const TKey&) const = default;
};

size_t qHash(const TKey& key, size_t seed = 0) {
    return qHashMulti(seed, key.Name, key.Size, key.Ratio);
}

QHash<TKey, QPixmap>& Cache() {
    static QHash<TKey, QPixmap> cache;
    return cache;
}

} // namespace

QPixmap LyPicture(const QString& name, int size, qreal ratio) {
    const TKey key{name, size, ratio};
    auto found = Cache().constFind(key);
    if (found != Cache().constEnd())
        return *found;
    QPixmap pixmap;
    QSvgRenderer renderer(QStringLiteral(":/pictures/%1.svg").arg(name));
    if (renderer.isValid()) {
        const int pixels = qCeil(size * ratio);
        pixmap = QPixmap(pixels, pixels);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        pixmap.setDevicePixelRatio(ratio);
    }
    Cache().insert(key, pixmap);
    return pixmap;
}

int LyPictureRenderCount() {
    return int(Cache().size());
}
