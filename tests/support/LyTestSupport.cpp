#include "LyTestSupport.h"

#include "ArMemoryMessageLog.h"
#include "ArMessageLog.h"

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

QStringList TakeLoggedLines(bool withChannel, const QString& channel) {
    auto* memory = dynamic_cast<TArMemoryMessageLog*>(GlobalMessageLog()->Logs().Item(0));
    if (!memory)
        qFatal("The first log of the message log is no memory log");
    QStringList lines;
    for (const TArLoggableMessageData& message : memory->Messages())
        if (channel.isEmpty() || message.Channel == channel)
            lines << (withChannel ? message.Channel + u':' + message.Text : message.Text);
    memory->Clear();
    return lines;
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
