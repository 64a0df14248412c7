#include "LyFuzzSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

// In memory where the system offers it: every store syncs its file, which on a disk would
// take most of the time of an input.
QString ScratchParent() {
    const QFileInfo memory(QStringLiteral("/dev/shm"));
    return memory.isDir() && memory.isWritable() ? memory.filePath() : QDir::tempPath();
}

QTemporaryDir& Scratch() {
    static QTemporaryDir folder(ScratchParent() + QStringLiteral("/ly-fuzz-XXXXXX"));
    if (!folder.isValid())
        LyFuzzFail("scratch folder", folder.errorString());
    return folder;
}

} // namespace

QString LyFuzzScratchFolder() {
    return Scratch().path();
}

void LyFuzzClearScratch() {
    QDir folder(Scratch().path());
    const QStringList names =
        folder.entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        const QString path = folder.filePath(name);
        if (QFileInfo(path).isDir() ? !QDir(path).removeRecursively() : !QFile::remove(path))
            LyFuzzFail("clearing the scratch folder", path);
    }
}

QString LyFuzzWriteInput(const QString& name, const uint8_t* data, size_t size) {
    const QString path = Scratch().filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        LyFuzzFail("writing the input", path);
    return path;
}

void LyFuzzFail(const char* what, const QString& detail) {
    std::fprintf(stderr, "fuzz check failed: %s\n  %s\n", what, qPrintable(detail));
    std::fflush(stderr);
    std::abort();
}
