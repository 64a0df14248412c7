#include "LyITunesReplace.h"

#include "ArFormat.h"
#include "ArMessageLog.h"
#include "LyLibraryFile.h"
#include "LyProject.h"
#include "VxShell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

LY_UNIT("Units/LyITunesReplace")

namespace {

const QString kDatabaseFileName = QStringLiteral("iTunes Library.itl");

[[noreturn]] void Fail(const QString& format, const QVariantList& args) {
    throw ELyProjectError(ArFormat(format, args));
}

bool EndsWithSeparator(const QString& path) {
    return path.endsWith(u'/') || path.endsWith(u'\\');
}

// Why `fileName` may not be changed, or empty text when it may.
QString ReadOnlyReason(const QString& fileName) {
    const QFileInfo info(fileName);
    if (!info.exists())
        return QStringLiteral("the file does not exist");
    if (!info.isFile())
        return QStringLiteral("it is not a file");
    if (IsReadOnlyFile(fileName))
        return QStringLiteral("the file is read-only");
    return {};
}

// Copies `source` into `folder` under its own name, never over an existing file, and checks
// that the copy is complete. Returns the copy's path.
QString BackUpFile(const QString& source, const QString& folder) {
    const QString target = folder + QFileInfo(source).fileName();
    QFile file(source);
    if (!file.copy(target))
        Fail(QStringLiteral("Cannot back up [%s] to [%s]: %s"),
             {source, target, file.errorString()});
    if (QFileInfo(target).size() != QFileInfo(source).size()) {
        QFile::remove(target);
        Fail(QStringLiteral("Cannot back up [%s] to [%s]: the copy is incomplete."),
             {source, target});
    }
    return target;
}

// The nearest folder or file at or above `path` that exists.
QString ExistingAncestor(const QString& path) {
    QString current = QDir::cleanPath(path);
    while (!QFileInfo::exists(current)) {
        const QString parent = QFileInfo(current).path();
        if (parent == current)
            break;
        current = parent;
    }
    return current;
}

// Copies both files into a new backup folder. When anything fails, what this call created is
// removed again, so a failed run leaves no half backup and no new empty folders behind.
QString BackUpITunesFiles(const QString& library, const QString& database,
                          const QString& backupLocation) {
    const QString existing = ExistingAncestor(backupLocation);
    QString folder;
    QStringList copies;
    try {
        folder = CreateBackupFolder(backupLocation, Now());
        copies << BackUpFile(library, folder);
        copies << BackUpFile(database, folder);
    } catch (...) {
        for (const QString& copy : std::as_const(copies))
            QFile::remove(copy);
        // Only folders below the nearest one that existed before are removed, and rmdir
        // removes only empty ones: nothing that was there before the run is touched.
        if (!folder.isEmpty())
            QDir().rmdir(folder);
        for (QString created = QDir::cleanPath(backupLocation); created != existing;) {
            QDir().rmdir(created);
            const QString parent = QFileInfo(created).path();
            if (parent == created)
                break;
            created = parent;
        }
        throw;
    }
    return folder;
}

void EmptyFile(const QString& fileName, const QString& backupFolder) {
    QFile file(fileName);
    // ExistingOnly: a database that vanished meanwhile is an error, not an empty new file.
    if (file.open(QIODevice::WriteOnly | QIODevice::ExistingOnly) && file.resize(0))
        return;
    if (backupFolder.isEmpty())
        Fail(QStringLiteral("Cannot empty the iTunes database [%s]: %s. The iTunes library "
                            "file was already replaced."),
             {fileName, file.errorString()});
    Fail(QStringLiteral("Cannot empty the iTunes database [%s]: %s. The iTunes library file "
                        "was already replaced; the previous files are in [%s]."),
         {fileName, file.errorString(), backupFolder});
}

} // namespace

QString ITunesDatabasePath(const QString& libraryLocation) {
    const qsizetype end =
        std::max(libraryLocation.lastIndexOf(u'/'), libraryLocation.lastIndexOf(u'\\'));
    return libraryLocation.left(end + 1) + kDatabaseFileName;
}

bool IsReadOnlyFile(const QString& fileName) {
    const QFileInfo info(fileName);
    if (!info.isFile())
        return true;
    constexpr QFileDevice::Permissions kAnyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return !(info.permissions() & kAnyWrite) || !info.isWritable();
}

QString CreateBackupFolder(const QString& backupLocation, TDateTime time) {
    if (backupLocation.isEmpty())
        Fail(QStringLiteral("No backup folder is set for the iTunes library."), {});
    QString parent = backupLocation;
    if (!EndsWithSeparator(parent))
        parent += QDir::separator();
    if (!QDir().mkpath(parent))
        Fail(QStringLiteral("Cannot create backup folder [%s]."), {parent});
    const QString stamp = FormatDateTime(QStringLiteral("yyyy-mm-dd hh-nn-ss"), time);
    for (int number = 1;; ++number) {
        const QString name =
            number == 1 ? stamp : ArFormat(QStringLiteral("%s (%d)"), {stamp, number});
        const QString folder = parent + name;
        // mkdir fails on an existing name, which makes taking a name and checking it one step.
        if (QDir().mkdir(folder))
            return folder + QDir::separator();
        if (!QFileInfo::exists(folder))
            Fail(QStringLiteral("Cannot create backup folder [%s]."), {folder});
    }
}

void ReplaceITunesLibraryWork(TLyProject& project, int side) {
    LY_ASSERT(side == 0 || side == 1);
    TLyLibraryDocument* document = project.Document(side);
    LY_ASSERT(document);
    TLyProcess* process = project.Process();
    const TLyITunesOptions& options = *project.AppOptions()->ITunes();

    ILyProcessTask* main = process->StartMainTask(3, QStringLiteral("Exporting to ITunes..."));
    main->Step(QStringLiteral("Backing up iTunes Library..."));
    const QString library = options.LibraryLocation();
    if (library.isEmpty() || EndsWithSeparator(library))
        Fail(QStringLiteral("No iTunes library file is set: choose iTunes' library XML file."), {});
    const QString database = ITunesDatabasePath(library);
    if (QFileInfo(library).fileName().compare(kDatabaseFileName, Qt::CaseInsensitive) == 0)
        Fail(QStringLiteral("[%s] is iTunes' database file: choose iTunes' library XML file "
                            "instead."),
             {library});

    // Every reason known beforehand fails the run here, before anything is written. The
    // database must always be writable: a library file written without emptying the database
    // would be ignored by iTunes. Without a backup, a library file that does not exist yet may
    // be created, since nothing of it can be lost.
    QString reason = ReadOnlyReason(database);
    if (!reason.isEmpty())
        Fail(QStringLiteral("Cannot replace the iTunes library: [%s] cannot be emptied: %s."),
             {database, reason});
    reason = ReadOnlyReason(library);
    if (!reason.isEmpty() && (options.CreateBackup() || QFileInfo::exists(library)))
        Fail(QStringLiteral("Cannot replace the iTunes library: [%s] cannot be %s: %s."),
             {library,
              options.CreateBackup() ? QStringLiteral("backed up and replaced")
                                     : QStringLiteral("replaced"),
              reason});

    QString backupFolder;
    if (options.CreateBackup()) {
        backupFolder = BackUpITunesFiles(library, database, options.BackupLocation());
        LogFormat(QStringLiteral("iTunes library backed up to [%s]"), {backupFolder}, mtInfo,
                  QStringLiteral("Default"));
    }

    // The checked songs' current values go into the document, as for an export to a file;
    // otherwise synchronised values not yet exported would never reach iTunes although the
    // project then counts as exported.
    project.MatchResult()->ExportSide(side);
    // The library file first: if writing it fails or is cancelled, the temporary file is
    // dropped and both iTunes files stay as they were. Emptying the database first would
    // leave iTunes without a database beside its old library file.
    const QFileInfo libraryInfo(library);
    SaveLibraryDocument(*document, library, main, process,
                        libraryInfo.isFile() ? libraryInfo.size() : 0);
    EmptyFile(database, backupFolder);
    project.SetModified(false);

    main->Step(QStringLiteral("Launching iTunes..."));
    if (options.StartITunes()) {
        if (options.ITunesLocation().isEmpty())
            LogMessage(QStringLiteral("iTunes was not started: no iTunes program is set."),
                       QStringLiteral("System"), mtWarning);
        else
            OpenFileInBackground(options.ITunesLocation());
    }
    main->Finish();
}
