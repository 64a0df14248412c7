// Replacing iTunes' library: the backup, the written library and the emptied database, every
// failure leaving all files as they were, backup folder names, and starting iTunes.
#include "ArMessageLog.h"
#include "LibraryBuilders.h"
#include "LyITunesReplace.h"
#include "LyLibraryFile.h"
#include "LyProcessRecorder.h"
#include "LyProject.h"
#include "LyTestSupport.h"
#include "VxShell.h"
#include "VxThreads.h"

#include <QDir>
#include <QDirIterator>
#include <QTest>

#include <mutex>
#include <utility>

namespace {

const QByteArray kOldLibrary = "<?xml version=\"1.0\"?>\n<plist>the old library</plist>\n";
const QByteArray kOldDatabase("old database\0\x01\x02\xff", 17);

// Files opened through the shell, observed without starting anything.
struct TOpened {
    std::mutex Lock;
    QStringList Files;
    // Call after WaitForOpenFileThreads.
    QStringList Take() {
        std::lock_guard lock(Lock);
        return std::exchange(Files, {});
    }
};
TOpened gOpened;

// A project with two small loaded libraries and iTunes options pointing into a temporary
// folder that holds an iTunes library file and database.
class TFixture {
public:
    TFixture()
        : Project(&AppOptions, nullptr) {
        Project.Listeners()->AddListener(&Recorder);
        // Track 1 is in both libraries (the locations tell the sides apart), 2 only in One,
        // 3 only in Two.
        TLyLibraryTrack sharedOne = MakeLibraryTrack(1, QStringLiteral("/SideOne"));
        TLyLibraryTrack sharedTwo = MakeLibraryTrack(1, QStringLiteral("/SideTwo"));
        Project.Options()->LibraryOne()->SetInputPath(Folder.WriteFile(
            QStringLiteral("one.xml"), MakeLibraryXml({sharedOne, MakeLibraryTrack(2)})));
        Project.Options()->LibraryTwo()->SetInputPath(Folder.WriteFile(
            QStringLiteral("two.xml"), MakeLibraryXml({sharedTwo, MakeLibraryTrack(3)})));
        Project.LoadLibraries();
        Project.Process()->WaitFor();

        TLyITunesOptions* iTunes = AppOptions.ITunes();
        iTunes->SetLibraryLocation(
            Folder.WriteFile(QStringLiteral("iTunes/iTunes Music Library.xml"), kOldLibrary));
        iTunes->SetBackupLocation(Folder.FilePath(QStringLiteral("Backups")) + u'/');
        iTunes->SetITunesLocation(QStringLiteral("/opt/iTunes/iTunes.exe"));
        iTunes->SetStartITunes(false);
        iTunes->SetCreateBackup(true);
        Database = Folder.WriteFile(QStringLiteral("iTunes/iTunes Library.itl"), kOldDatabase);
    }
    ~TFixture() { Project.Listeners()->RemoveListener(&Recorder); }

    QString Library() { return AppOptions.ITunes()->LibraryLocation(); }

    bool Replace(int side) {
        Recorder.Clear();
        Project.ReplaceITunesLibrary(side);
        Project.Process()->WaitFor();
        return Recorder.Failures.isEmpty();
    }

    // The bytes the project writes for a side's document.
    QByteArray Written(int side) {
        const QString file = Folder.FilePath(QStringLiteral("expected.xml"));
        SaveLibraryDocument(*Project.Document(side), file, nullptr, nullptr, 0);
        return ReadWholeFile(file);
    }

    // The folders made under the backup location.
    QStringList Backups() {
        return QDir(AppOptions.ITunes()->BackupLocation())
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    }

    TLyTempFolder Folder;
    TLyOptions AppOptions;
    TRunRecorder Recorder;
    TLyProject Project;
    QString Database;
};

constexpr qsizetype kFileSizeLimit = 4096;

void SetReadOnly(const QString& file) {
    QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                            QFileDevice::ReadOther));
}

} // namespace

class TestLyITunesReplace : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        VxThreadsStartup();
        ArMessageLogStartup();
        SetFileOpener([](const QString& file, QObject*) {
            std::lock_guard lock(gOpened.Lock);
            gOpened.Files << file;
        });
    }

    void cleanupTestCase() {
        SetFileOpener({});
        ArMessageLogShutdown();
        VxThreadsShutdown();
    }

    void replaces_data() {
        QTest::addColumn<int>("side");
        QTest::addColumn<bool>("createBackup");
        QTest::addColumn<bool>("start");
        QTest::addColumn<bool>("libraryExists");
        QTest::newRow("One, backup, start") << 0 << true << true << true;
        QTest::newRow("Two, backup") << 1 << true << false << true;
        QTest::newRow("Two, no backup") << 1 << false << false << true;
        QTest::newRow("no backup, library file created") << 1 << false << false << false;
    }

    void replaces() {
        QFETCH(int, side);
        QFETCH(bool, createBackup);
        QFETCH(bool, start);
        QFETCH(bool, libraryExists);
        TFixture f;
        QVERIFY(f.Project.IsLoaded());
        f.AppOptions.ITunes()->SetCreateBackup(createBackup);
        f.AppOptions.ITunes()->SetStartITunes(start);
        if (!libraryExists)
            QVERIFY(QFile::remove(f.Library()));
        f.Project.SetModified(true);
        const QFileDevice::Permissions permissions = QFile::permissions(f.Library());
        const QString before = FormatDateTime(QStringLiteral("yyyy-mm-dd hh-nn-ss"), Now());
        QVERIFY2(f.Replace(side), qPrintable(f.Recorder.Failures.join(u'\n')));
        const QString after = FormatDateTime(QStringLiteral("yyyy-mm-dd hh-nn-ss"), Now());

        const QStringList backups = f.Backups();
        QCOMPARE(backups.size(), createBackup ? 1 : 0);
        if (createBackup) {
            QVERIFY2(backups[0] >= before && backups[0] <= after, qPrintable(backups[0]));
            const QDir backup(f.AppOptions.ITunes()->BackupLocation() + backups[0]);
            QCOMPARE(backup.entryList(QDir::Files),
                     (QStringList{"iTunes Library.itl", "iTunes Music Library.xml"}));
            QCOMPARE(ReadWholeFile(backup.filePath(QStringLiteral("iTunes Music Library.xml"))),
                     kOldLibrary);
            QCOMPARE(ReadWholeFile(backup.filePath(QStringLiteral("iTunes Library.itl"))),
                     kOldDatabase);
        }
        const QByteArray written = ReadWholeFile(f.Library());
        QCOMPARE(written, f.Written(side));
        QVERIFY(written.contains(side == 0 ? "/SideOne/" : "/SideTwo/"));
        QVERIFY(!written.contains(side == 0 ? "/SideTwo/" : "/SideOne/"));
        if (libraryExists)
            QCOMPARE(QFile::permissions(f.Library()), permissions);
        QCOMPARE(QFileInfo(f.Database).size(), 0);
        // Nothing but the two files is left in the iTunes folder (no temporary file).
        QCOMPARE(QFileInfo(f.Library()).dir().entryList(QDir::Files).size(), 2);
        QVERIFY(!f.Project.Modified());

        QCOMPARE(f.Recorder.MainSteps.value(0), QStringLiteral("Backing up iTunes Library..."));
        QCOMPARE(f.Recorder.MainSteps.value(f.Recorder.MainSteps.size() - 1),
                 QStringLiteral("Launching iTunes..."));
        QVERIFY(WaitForOpenFileThreads(10000));
        QCOMPARE(gOpened.Take(), start ? QStringList{"/opt/iTunes/iTunes.exe"} : QStringList());
    }

    void failureLeavesEveryFileAsItWas_data() {
        QTest::addColumn<bool>("createBackup");
        QTest::addColumn<QString>("breakage");
        QTest::addColumn<QString>("named"); // relative to the temporary folder

        const QString library = QStringLiteral("iTunes/iTunes Music Library.xml");
        const QString database = QStringLiteral("iTunes/iTunes Library.itl");
        QTest::newRow("database missing") << true << "database missing" << database;
        QTest::newRow("database missing, no backup") << false << "database missing" << database;
        QTest::newRow("library missing") << true << "library missing" << library;
        QTest::newRow("library read-only") << true << "library read-only" << library;
        QTest::newRow("library read-only, no backup") << false << "library read-only" << library;
        QTest::newRow("database read-only") << true << "database read-only" << database;
        QTest::newRow("database read-only, no backup") << false << "database read-only" << database;
        QTest::newRow("backup folder under a file")
            << true << "backup under a file" << QStringLiteral("blocker/Backups");
        // Files above a size limit of the process cannot be copied, like on a full disk.
        QTest::newRow("first copy fails") << true << "library too big" << library;
        QTest::newRow("second copy fails") << true << "database too big" << database;
        QTest::newRow("library location names the database")
            << false << "location is the database" << database;
    }

    void failureLeavesEveryFileAsItWas() {
        QFETCH(bool, createBackup);
        QFETCH(QString, breakage);
        QFETCH(QString, named);
        TFixture f;
        TLyITunesOptions* iTunes = f.AppOptions.ITunes();
        iTunes->SetCreateBackup(createBackup);
        iTunes->SetStartITunes(true);
        if (breakage == u"database missing")
            QVERIFY(QFile::remove(f.Database));
        else if (breakage == u"library missing")
            QVERIFY(QFile::remove(f.Library()));
        else if (breakage == u"library read-only")
            SetReadOnly(f.Library());
        else if (breakage == u"database read-only")
            SetReadOnly(f.Database);
        else if (breakage == u"backup under a file")
            iTunes->SetBackupLocation(f.Folder.WriteFile(QStringLiteral("blocker"), "a file") +
                                      QStringLiteral("/Backups/"));
        else if (breakage == u"location is the database")
            iTunes->SetLibraryLocation(f.Database);
        else if (breakage == u"library too big")
            f.Folder.WriteFile(named, QByteArray(2 * kFileSizeLimit, 'x'));
        else if (breakage == u"database too big")
            f.Folder.WriteFile(named, QByteArray(2 * kFileSizeLimit, '\0'));
        // Every file there is, with its bytes and permissions.
        const auto snapshot = [&f] {
            QStringList files;
            QDirIterator it(f.Folder.Path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                            QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QFileInfo info(it.next());
                const QByteArray bytes = info.isFile() ? ReadWholeFile(info.filePath()) : "folder";
                files << info.filePath() + u' ' + QString::number(int(info.permissions())) + u' ' +
                             QString::fromLatin1(bytes.toHex());
            }
            files.sort();
            return files;
        };
        const QStringList before = snapshot();
        f.Project.SetModified(true);

        if (breakage.endsWith(u"too big")) {
            TLyFileSizeLimit limit(kFileSizeLimit);
            QVERIFY(!f.Replace(1));
        } else {
            QVERIFY(!f.Replace(1));
        }
        QVERIFY2(f.Recorder.Failures.last().contains(f.Folder.FilePath(named)),
                 qPrintable(f.Recorder.Failures.join(u'\n')));
        QCOMPARE(snapshot(), before);
        QVERIFY(f.Project.Modified());
        QVERIFY(WaitForOpenFileThreads(10000));
        QCOMPARE(gOpened.Take(), QStringList());
    }

    void synchronisedValuesReachITunes() {
        TFixture f;
        TLySong* shared = nullptr;
        for (TLySong* song : f.Project.MatchResult()->Songs())
            if (song->Original(0).Exists() && song->Original(1).Exists())
                shared = song;
        QVERIFY(shared);
        shared->CurrentTwo().SetName(QStringLiteral("Renamed In Two"));
        QVERIFY2(f.Replace(1), qPrintable(f.Recorder.Failures.join(u'\n')));
        QVERIFY(ReadWholeFile(f.Library()).contains("<string>Renamed In Two</string>"));
    }

    void backupFolderIsNeverReused() {
        TLyTempFolder folder;
        const TDateTime time = EncodeDateTime(2007, 3, 4, 21, 5, 9);
        // Without a trailing separator, and with missing parents.
        const QString location = folder.FilePath(QStringLiteral("a/b"));
        const QString first = CreateBackupFolder(location, time);
        QCOMPARE(first, location + QStringLiteral("/2007-03-04 21-05-09/"));
        QCOMPARE(CreateBackupFolder(location + u'/', time),
                 location + QStringLiteral("/2007-03-04 21-05-09 (2)/"));
        // A file of the next name counts as taken too.
        folder.WriteFile(QStringLiteral("a/b/2007-03-04 21-05-09 (3)"), "x");
        QCOMPARE(CreateBackupFolder(location, time),
                 location + QStringLiteral("/2007-03-04 21-05-09 (4)/"));
        QVERIFY(QDir(first).isEmpty());

        QString message;
        LY_EXPECT_EXCEPTION(ELyProjectError, CreateBackupFolder(QString(), time), message);
        QVERIFY(!message.isEmpty());
    }

    void databasePathEndsAtEitherSeparator() {
        QCOMPARE(
            ITunesDatabasePath(QStringLiteral("/home/u/Music/iTunes/iTunes Music Library.xml")),
            QStringLiteral("/home/u/Music/iTunes/iTunes Library.itl"));
        QCOMPARE(ITunesDatabasePath(QStringLiteral("C:\\Music/iTunes\\lib.xml")),
                 QStringLiteral("C:\\Music/iTunes\\iTunes Library.itl"));
        QCOMPARE(ITunesDatabasePath(QStringLiteral("lib.xml")),
                 QStringLiteral("iTunes Library.itl"));
    }
};

QTEST_GUILESS_MAIN(TestLyITunesReplace)
#include "tst_LyITunesReplace.moc"
