#include "LyTestSupport.h"

#include <QFile>
#include <QFileInfo>

#include <csignal>

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

TLyFileSizeLimit::TLyFileSizeLimit(qint64 bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &FPrevious);
    rlimit limit = FPrevious;
    limit.rlim_cur = rlim_t(bytes);
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
        qFatal("Cannot limit the file size");
}

TLyFileSizeLimit::~TLyFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &FPrevious);
}
