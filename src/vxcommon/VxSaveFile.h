// Writing a file so that it is always either the old file or the complete new one: the text goes
// to a temporary file beside the target, which is renamed over the target only when complete.
//
// Unlike QSaveFile, whose temporary file gets a random name on file systems without unnamed
// files (and, for a moment, on all of them), the temporary file has a fixed name derived from
// the target, "<name>.saving". A store that is killed half-way leaves it behind, and the next
// store of the same target takes it over, so killed stores never pile up temporary files.
// Concurrent stores of one target take turns through a lock on the temporary file.
#pragma once

#include <QFile>
#include <QString>

class TVxSaveFile {
public:
    explicit TVxSaveFile(QString fileName);
    // Without a successful Commit the temporary file is removed and the target left as it was.
    ~TVxSaveFile();
    TVxSaveFile(const TVxSaveFile&) = delete;
    TVxSaveFile& operator=(const TVxSaveFile&) = delete;

    // The temporary file used for `fileName`.
    static QString TemporaryName(const QString& fileName);

    // Opens the temporary file for writing, empty; waits while another store of the same target
    // holds it. A symbolic link is written through: its target is replaced.
    bool Open();
    bool Write(const char* data, qint64 size);
    bool Write(const QByteArray& data) { return Write(data.constData(), data.size()); }
    // Writes out what is buffered, syncs it to the disk and renames the file over the target
    // (which keeps its permissions). On failure the target stays as it was.
    bool Commit();
    // What failed, for a message; empty while nothing did.
    QString ErrorString() const { return FError; }

private:
    bool Fail(const QString& what, int error);
    void Discard();
    void StartWriteBack();

    QString FFileName;
    QString FTarget;
    QString FTemporary;
    QFile FFile;
    int FHandle = -1;
    qint64 FWritten = 0;
    qint64 FWrittenBack = 0;
    QString FError;
};
