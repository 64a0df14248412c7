#include "VxSaveFile.h"

#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kOpenAttempts = 16;
// Written text is handed to the disk in steps of this size while the store goes on, so that the
// sync before the rename finds little left to write.
constexpr qint64 kWriteBackStep = 8 * 1024 * 1024;

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

} // namespace

TVxSaveFile::TVxSaveFile(QString fileName)
    : FFileName(std::move(fileName)) {}

TVxSaveFile::~TVxSaveFile() {
    Discard();
}

QString TVxSaveFile::TemporaryName(const QString& fileName) {
    return fileName + QStringLiteral(".saving");
}

bool TVxSaveFile::Fail(const QString& what, int error) {
    FError = what + QStringLiteral(": ") + qt_error_string(error);
    Discard();
    return false;
}

void TVxSaveFile::Discard() {
    if (FHandle < 0)
        return;
    FFile.close();
    // Still locked by this store: no other store is writing it.
    ::unlink(Native(FTemporary).constData());
    ::close(FHandle);
    FHandle = -1;
}

bool TVxSaveFile::Open() {
    FError.clear();
    const QFileInfo info(FFileName);
    FTarget = info.isSymLink() && info.exists() ? info.canonicalFilePath() : FFileName;
    FTemporary = TemporaryName(FTarget);
    const QByteArray temporary = Native(FTemporary);
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        const int handle = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
        if (handle < 0)
            return Fail(QStringLiteral("cannot create [%1]").arg(FTemporary), errno);
        // A lock that the file system does not offer is done without.
        while (::flock(handle, LOCK_EX) != 0 && errno == EINTR) {
        }
        // The store that held the lock may have renamed the file meanwhile: then this handle
        // is the target's, and a new temporary file is needed.
        struct stat opened {};
        struct stat named {};
        if (::fstat(handle, &opened) == 0 && ::stat(temporary.constData(), &named) == 0 &&
            opened.st_dev == named.st_dev && opened.st_ino == named.st_ino) {
            FHandle = handle;
            break;
        }
        ::close(handle);
    }
    if (FHandle < 0)
        return Fail(QStringLiteral("cannot take over [%1]").arg(FTemporary), EBUSY);
    FWritten = 0;
    FWrittenBack = 0;
    if (::ftruncate(FHandle, 0) != 0)
        return Fail(QStringLiteral("cannot empty [%1]").arg(FTemporary), errno);
    struct stat existing {};
    if (::stat(Native(FTarget).constData(), &existing) == 0)
        ::fchmod(FHandle, existing.st_mode & 07777);
    if (!FFile.open(FHandle, QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
        return Fail(QStringLiteral("cannot write [%1]").arg(FTemporary), EBADF);
    return true;
}

bool TVxSaveFile::Write(const char* data, qint64 size) {
    if (FHandle < 0)
        return false;
    if (FFile.write(data, size) != size) {
        FError = FFile.errorString();
        Discard();
        return false;
    }
    FWritten += size;
    if (FWritten - FWrittenBack >= kWriteBackStep)
        StartWriteBack();
    return true;
}

void TVxSaveFile::StartWriteBack() {
#ifdef __linux__
    // Only a hint: it starts the disk writes without waiting; Commit's sync reports errors.
    if (FFile.flush())
        ::sync_file_range(FHandle, FWrittenBack, FWritten - FWrittenBack, SYNC_FILE_RANGE_WRITE);
#endif
    FWrittenBack = FWritten;
}

bool TVxSaveFile::Commit() {
    if (FHandle < 0)
        return false;
    if (!FFile.flush()) {
        FError = FFile.errorString();
        Discard();
        return false;
    }
    FFile.close();
    if (::fsync(FHandle) != 0)
        return Fail(QStringLiteral("cannot write [%1]").arg(FTemporary), errno);
    if (::rename(Native(FTemporary).constData(), Native(FTarget).constData()) != 0)
        return Fail(QStringLiteral("cannot replace [%1]").arg(FTarget), errno);
    ::close(FHandle); // releases the lock
    FHandle = -1;
    return true;
}
