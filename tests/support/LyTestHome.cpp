#include "LyTestHome.h"

#include "ArDebugLog.h"

#include <QStandardPaths>

#include <unistd.h>

namespace {

// As the program finds it (no trailing separator).
QString DocumentsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

} // namespace

TLyTestHome::TLyTestHome() {
    Set("HOME", Path().toUtf8());
    // No user-dirs.dirs there: the documents folder is HOME/Documents.
    Set("XDG_CONFIG_HOME", FilePath(QStringLiteral(".config")).toUtf8());
    Set("XDG_DATA_HOME", FilePath(QStringLiteral(".local/share")).toUtf8());
    Set("XDG_CACHE_HOME", FilePath(QStringLiteral(".cache")).toUtf8());
    const QString documents = DocumentsPath();
    if (!documents.startsWith(Path() + u'/'))
        qFatal("The documents folder [%s] is not below the test's home [%s]", qPrintable(documents),
               qPrintable(Path()));
    FSavedChannel = ArDebugOutputChannelName();
    ArDebugOutputSetChannelName(DebugChannel());
}

TLyTestHome::~TLyTestHome() {
    ArDebugOutputSetChannelName(FSavedChannel);
    for (auto it = FSaved.crbegin(); it != FSaved.crend(); ++it) {
        if (it->second)
            qputenv(it->first.constData(), *it->second);
        else
            qunsetenv(it->first.constData());
    }
}

QString TLyTestHome::DebugChannel() {
    return QStringLiteral("ArborDebugLogTest%1").arg(::getpid());
}

void TLyTestHome::Set(const char* name, const QByteArray& value) {
    FSaved.append(
        {name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
    qputenv(name, value);
}
