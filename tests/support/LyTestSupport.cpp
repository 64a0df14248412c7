#include "LyTestSupport.h"

#include <QFile>
#include <QFileInfo>

TLyTempFolder::TLyTempFolder() {
    if (!FDir.isValid())
        qFatal("Cannot create a temporary folder: %s", qPrintable(FDir.errorString()));
}

QString TLyTempFolder::WriteFile(const QString& relative, const QByteArray& bytes) const {
    const QString path = FilePath(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("Cannot write %s", qPrintable(path));
    return path;
}

QByteArray ReadWholeFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}
