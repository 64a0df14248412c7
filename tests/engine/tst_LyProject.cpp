// The project's runs end to end on small library files: load and match, synchronise, match
// again, store, and their steps, states and failures; play counts that add up over many
// histories of plays and exports; pairs remembered across reloads, projects and exports;
// replacing iTunes' library: the backup, the written library and the emptied database, every
// failure leaving all files as they were, backup folder names, and starting iTunes.
#include "ArMessageLog.h"
#include "LibraryBuilders.h"
#include "LyITunesReplace.h"
#include "LyLibraryFile.h"
#include "LyPlayCounts.h"
#include "LyProcessRecorder.h"
#include "LyProject.h"
#include "LySongSelection.h"
#include "LyTestSupport.h"
#include "LyView.h"
#include "SongBuilders.h"
#include "VxSaveFile.h"
#include "VxShell.h"
#include "VxThreads.h"

#include <QDir>
#include <QDirIterator>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace {

TLyLibraryTrack Song(const QString& name, const QString& artist, int playCount) {
    return {{"Track ID", "integer", "1"},
            {"Name", "string", name},
            {"Artist", "string", artist},
            {"Play Count", "integer", QString::number(playCount)},
            {"Track Type", "string", "File"}};
}

TLySong* FindSong(const TLyMatchResult& result, const QString& name) {
    for (TLySong* song : result.Songs())
        if (song->CurrentOne().Name() == name || song->CurrentTwo().Name() == name)
            return song;
    return nullptr;
}

// Every song's sides, genres and check box, one line each.
QString Describe(const TLyMatchResult& result) {
    QStringList lines;
    for (const TLySong* song : result.Songs()) {
        const auto side = [&](int s) {
            const TLySongProperties& track = song->Current(s);
            return track.Exists() ? track.Name() + u'/' + track.Genre() : QStringLiteral("-");
        };
        lines << side(0) + u'|' + side(1) + u'|' + QString::number(song->Checked());
    }
    return lines.join(u'\n');
}

// One change to the songs of a loaded project, as the user makes it.
void ChangeByHand(TLyProject& project, const QString& change) {
    TLyMatchResult* result = project.MatchResult();
    TLySong* waterloo = FindSong(*result, "Waterloo");
    TLySong* onlyOne = FindSong(*result, "Only One");
    TLySong* onlyTwo = FindSong(*result, "Only Two");
    if (change == u"edit") {
        TLySongSelection selection(result);
        selection.Add(waterloo);
        selection.SetValue(sdGenre, QStringLiteral("Jazz"));
    } else if (change == u"check box") {
        result->SetChecked({waterloo}, false);
    } else if (change == u"unmatch") {
        result->Unmatch(waterloo);
    } else if (change == u"match by hand") {
        result->MatchSongs(onlyTwo, onlyOne);
    } else if (change == u"commit") {
        TLyMatchResult window(&project, result, nullptr);
        window.Sources().Add(onlyOne);
        window.Sources().Add(onlyTwo);
        window.Songs().Add(MakeSong(onlyOne->OriginalOne(), onlyTwo->OriginalTwo()).release());
        window.CommitToParent();
    } else {
        QFAIL("unknown change");
    }
}

constexpr int kTracks = 3;
constexpr int kFirstCount = 10;

QByteArray PlayedLibrary() {
    QList<TLyLibraryTrack> tracks;
    for (int t = 0; t < kTracks; ++t)
        tracks << TLyLibraryTrack{{"Track ID", "integer", QString::number(t + 1)},
                                  {"Name", "string", QStringLiteral("Song %1").arg(t)},
                                  {"Persistent ID", "string", QStringLiteral("00AB%1").arg(t)},
                                  {"Play Count", "integer", QString::number(kFirstCount)}};
    return MakeLibraryXml(tracks);
}

const QRegularExpression& PlayCountPattern() {
    static const QRegularExpression pattern(
        QStringLiteral("<key>Play Count</key>\\s*<integer>(\\d+)</integer>"));
    return pattern;
}

// The play counts of the file, in track order.
QList<int> Counts(const QString& path) {
    QList<int> counts;
    for (const QRegularExpressionMatch& m :
         PlayCountPattern().globalMatch(QString::fromUtf8(ReadWholeFile(path))))
        counts << m.captured(1).toInt();
    return counts;
}

// Plays the tracks of the file, as the library's own program counts them.
void Play(const QString& path, const QList<int>& plays) {
    QString text = QString::fromUtf8(ReadWholeFile(path));
    QString played;
    qsizetype done = 0;
    int track = 0;
    for (const QRegularExpressionMatch& m : PlayCountPattern().globalMatch(text)) {
        played += QStringView(text).sliced(done, m.capturedStart(1) - done);
        played += QString::number(m.captured(1).toInt() + plays.value(track++));
        done = m.capturedEnd(1);
    }
    played += QStringView(text).sliced(done);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(played.toUtf8());
}

// "<Persistent ID>:<Name>[:<Artist>]" per track; Track IDs are numbered from `firstId`.
QByteArray PairedLibrary(const QStringList& tracks, int firstId = 1) {
    QList<TLyLibraryTrack> dictionaries;
    int id = firstId;
    for (const QString& track : tracks) {
        const QStringList parts = track.split(u':');
        dictionaries << TLyLibraryTrack{{"Track ID", "integer", QString::number(id++)},
                                        {"Name", "string", parts[1]},
                                        {"Artist", "string", parts.value(2)},
                                        {"Persistent ID", "string", parts[0]}};
    }
    return MakeLibraryXml(dictionaries);
}

const QStringList kOne = {"A1:Alpha", "B1:Beta", "C1:Gamma"};
const QStringList kTwo = {"A2:Alpha", "B2:Beta (live)", "C2:Gamma"};

// A song as "<ID of One>+<ID of Two>", "-" for a side without a track.
QString SongText(const TLySong* song) {
    const auto id = [&](int side) {
        return song->Original(side).Exists() ? song->Original(side).PersistentId()
                                             : QStringLiteral("-");
    };
    return id(0) + u'+' + id(1);
}

QStringList Songs(const TLyProject& project) {
    QStringList songs;
    for (const TLySong* song : project.MatchResult()->Songs())
        songs << SongText(song);
    std::sort(songs.begin(), songs.end());
    return songs;
}

TLySong* FindPair(const TLyProject& project, const QString& text) {
    for (TLySong* song : project.MatchResult()->Songs())
        if (SongText(song) == text)
            return song;
    return nullptr;
}

struct TProjectFiles {
    TLyTempFolder Folder;
    QString Path(int side) const { return Folder.FilePath(side == 0 ? "one.xml" : "two.xml"); }

    void Setup(TLyProject& project, const QString& name = QStringLiteral("project.xml")) const {
        TLyProjectOptions* options = project.Options();
        options->SetName(Folder.FilePath(name));
        for (int side = 0; side < 2; ++side)
            options->Library(side)->SetInputPath(Path(side));
    }
};

void RunIn(TLyProject& project, const std::function<void()>& start) {
    start();
    project.Process()->WaitFor();
}

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

Q_DECLARE_METATYPE(std::optional<TLyPlayRecord>)

class TestLyProject : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        VxThreadsStartup();
        ArMessageLogStartup();
        RegisterLyTypes();
        RegisterLyOptionClasses();
        SetFileOpener([](const QString& file, QObject*) {
            std::lock_guard lock(gOpened.Lock);
            gOpened.Files << file;
        });
    }

    void cleanupTestCase() {
        SetFileOpener({});
        ArMessageLogShutdown();
    }

    void init() {
        FFolder = std::make_unique<TLyTempFolder>();
        FRecorder = std::make_unique<TRunRecorder>();
        FProject = std::make_unique<TLyProject>(nullptr, nullptr);
        FProject->Listeners()->AddListener(FRecorder.get());
        TLyProjectOptions* options = FProject->Options();
        options->LibraryOne()->SetInputPath(FFolder->WriteFile(
            "one.xml", MakeLibraryXml({Song("Waterloo", "ABBA", 3), Song("Only One", "X", 1)})));
        options->LibraryTwo()->SetInputPath(FFolder->WriteFile(
            "two.xml", MakeLibraryXml({Song("Waterloo", "ABBA", 5), Song("Only Two", "Y", 2)})));
        options->LibraryTwo()->SetOutputPath(FFolder->FilePath("two-out.xml"));
    }

    void cleanup() {
        FProject.reset(); // the recorder outlives the project, which tells it when it goes
        FRecorder.reset();
        FFolder.reset();
    }

    void loadPairsExactly() {
        QVERIFY(FProject->CanLoad());
        FProject->LoadLibraries();
        bool wasLoaded = false;
        while (FProject->Process()->Working()) {
            // A window asks these while the worker sets them (run under ThreadSanitizer): a load
            // never marks the songs modified, and a loaded project stays loaded.
            QVERIFY(!FProject->Modified());
            const bool loaded = FProject->IsLoaded();
            QVERIFY(loaded || !wasLoaded);
            wasLoaded = loaded;
            ProcessMainThreadCalls();
        }
        FProject->Process()->WaitFor();
        QVERIFY(FRecorder->Failures.isEmpty());
        QVERIFY(FProject->IsLoaded());
        const TLyMatchResult& result = *FProject->MatchResult();
        QCOMPARE(result.Songs().Count(), 3);
        const TLySong* waterloo = FindSong(result, "Waterloo");
        QVERIFY(waterloo && waterloo->IsMatched());
        QCOMPARE(waterloo->Differences(), tLySongPartSet{sdPlayCount});
        QVERIFY(FindSong(result, "Only One") && !FindSong(result, "Only One")->IsMatched());
        QVERIFY(FindSong(result, "Only Two") && !FindSong(result, "Only Two")->IsMatched());
        QCOMPARE(FRecorder->MainStepCounts, QList<int>{5});
        QCOMPARE(FRecorder->MainSteps.first(), QStringLiteral("Loading One..."));
        QVERIFY(!FProject->Modified());
    }

    void reloadClearsFirst() {
        Run([&] { FProject->LoadLibraries(); });
        FRecorder->Clear();
        Run([&] { FProject->LoadLibraries(); });
        QCOMPARE(FRecorder->MainStepCounts, QList<int>{6});
        QCOMPARE(FRecorder->MainSteps.first(), QStringLiteral("Clearing song list..."));
        QCOMPARE(FProject->MatchResult()->Songs().Count(), 3);
        // A reload leaves the freeing to the worker as well, not to the main thread.
        FRecorder->Clear();
        Run([&] { FProject->Reload(); });
        QCOMPARE(FRecorder->MainSteps.first(), QStringLiteral("Clearing song list..."));
        QCOMPARE(FProject->MatchResult()->Songs().Count(), 3);
    }

    void storedLibraryIsReadByTheNextMatch() {
        Run([&] { FProject->LoadLibraries(); });
        Run([&] { FProject->MatchSongs(); }); // reads the tracks the load kept
        QCOMPARE(FindSong(*FProject->MatchResult(), "Waterloo")->OriginalTwo().PlayCount(), 5);
        FProject->Options()->SetAction(sdPlayCount, saUseMin);
        Run([&] { FProject->MatchResult()->SynchronizeAll(); });
        QVERIFY(FProject->Modified());
        QCOMPARE(FindSong(*FProject->MatchResult(), "Waterloo")->CurrentOne().PlayCount(), 3);
        QCOMPARE(FindSong(*FProject->MatchResult(), "Waterloo")->CurrentTwo().PlayCount(), 3);
        FindSong(*FProject->MatchResult(), "Only One")->CurrentOne().SetPlayCount(9); // not stored
        Run([&] { FProject->StoreLibrary(1); });
        QVERIFY(FRecorder->Failures.isEmpty());
        QVERIFY(!FProject->Modified());
        const QByteArray written = ReadWholeFile(FProject->Options()->LibraryTwo()->OutputPath());
        QVERIFY(written.contains("<integer>3</integer>"));
        QVERIFY(!written.contains("<integer>5</integer>"));
        // The tracks kept from the earlier reads are stale now: the document says 3. Matching
        // again rebuilds the songs from the documents.
        FRecorder->Clear();
        Run([&] { FProject->MatchSongs(); });
        QCOMPARE(FRecorder->MainSteps.filter("Clearing previous matches...").size(), 1);
        const TLySong* waterloo = FindSong(*FProject->MatchResult(), "Waterloo");
        QCOMPARE(waterloo->OriginalTwo().PlayCount(), 3);
        QCOMPARE(waterloo->OriginalOne().PlayCount(), 3);
        QCOMPARE(FindSong(*FProject->MatchResult(), "Only Two")->OriginalTwo().PlayCount(), 2);
        QCOMPARE(FindSong(*FProject->MatchResult(), "Only One")->CurrentOne().PlayCount(), 1);
        // And the stored file loads into the same songs.
        FProject->Options()->LibraryTwo()->SetInputPath(
            FProject->Options()->LibraryTwo()->OutputPath());
        Run([&] { FProject->LoadLibraries(); });
        QCOMPARE(FindSong(*FProject->MatchResult(), "Waterloo")->OriginalTwo().PlayCount(), 3);
    }

    void exportOfASharedTrackKeepsTheLastSong_data() {
        QTest::addColumn<int>("firstPlayCount");  // -1: left as read
        QTest::addColumn<int>("secondPlayCount"); // -1: left as read
        QTest::addColumn<bool>("firstNeverPlayed");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QByteArray>("gone");
        QTest::newRow("both changed")
            << 40 << 41 << false << QByteArray("<key>Play Count</key><integer>41</integer>")
            << QByteArray("<integer>40</integer>");
        // The later song writes the value it holds even where the document held it before.
        QTest::newRow("later song unchanged")
            << 40 << -1 << false << QByteArray("<key>Play Count</key><integer>1</integer>")
            << QByteArray("<integer>40</integer>");
        // The first song removes the play date, the later one adds it again.
        QTest::newRow("date removed, then written")
            << -1 << -1 << true
            << QByteArray("<key>Play Date UTC</key><date>2006-02-19T12:00:00Z</date>")
            << QByteArray("<key>Play Date UTC</key><date>1899");
    }

    void exportOfASharedTrackKeepsTheLastSong() {
        QFETCH(int, firstPlayCount);
        QFETCH(int, secondPlayCount);
        QFETCH(bool, firstNeverPlayed);
        QFETCH(QByteArray, written);
        QFETCH(QByteArray, gone);
        // One's track pairs with two tracks of Two through its shortened key: two songs share it,
        // and the later song in the list decides what the export writes.
        TLyProjectOptions* options = FProject->Options();
        TLyLibraryTrack one = Song("T", "X", 1);
        one.append({"Play Date UTC", "date", "2006-02-19T12:00:00Z"});
        options->LibraryOne()->SetInputPath(FFolder->WriteFile("one.xml", MakeLibraryXml({one})));
        options->LibraryTwo()->SetInputPath(
            FFolder->WriteFile("two.xml", MakeLibraryXml({Song("T", "Y", 2), Song("T", "Z", 3)})));
        options->LibraryOne()->SetOutputPath(FFolder->FilePath("one-out.xml"));
        options->CompareOptions()->SetMode(scmExactMatch);
        options->CompareOptions()->SetComponents({sccTitle, sccArtist});
        options->CompareOptions()->SetCanBeEmpty({sccArtist});
        Run([&] { FProject->LoadLibraries(); });
        Run([&] { FProject->MatchSongs(); });
        TLySongList& songs = FProject->MatchResult()->Songs();
        QCOMPARE(songs.Count(), 2);
        QCOMPARE(songs.Items(0)->CurrentOne().Node(), songs.Items(1)->CurrentOne().Node());
        if (firstPlayCount >= 0)
            songs.Items(0)->CurrentOne().SetPlayCount(firstPlayCount);
        if (secondPlayCount >= 0)
            songs.Items(1)->CurrentOne().SetPlayCount(secondPlayCount);
        if (firstNeverPlayed)
            songs.Items(0)->CurrentOne().SetLastPlayed(0.0);
        Run([&] { FProject->StoreLibrary(0); });
        QVERIFY(FRecorder->Failures.isEmpty());
        // The lines of the written file, trimmed and joined.
        QByteArray text;
        for (const QByteArray& line :
             ReadWholeFile(options->LibraryOne()->OutputPath()).split('\n'))
            text += line.trimmed();
        QVERIFY2(text.contains(written), text.constData());
        QVERIFY2(!text.contains(gone), text.constData());
    }

    void executeOverNoSongs() {
        Run([&] { FProject->LoadLibraries(); });
        FRecorder->Clear();
        int steps = 0;
        Run([&] {
            FProject->ExecuteForSongs(FProject->MatchResult(), new TLySongList(false), true,
                                      [&](TLySong*) { ++steps; });
        });
        QCOMPARE(steps, 0);
        QVERIFY(FProject->Modified());
        QCOMPARE(FRecorder->SubTaskStepCounts, QList<int>{0});
        QVERIFY(!FProject->MatchResult()->Updating());
        LY_EXPECT_ASSERTION(
            FProject->ExecuteForSongs(FProject->MatchResult(), nullptr, false, [](TLySong*) {}),
            "Units/LyProject");

        // A run that fails after changing a song has still changed the songs.
        Run([&] { FProject->LoadLibraries(); });
        QVERIFY(!FProject->Modified());
        Run([&] {
            FProject->ExecuteForSongs(FProject->MatchResult(), &FProject->MatchResult()->Songs(),
                                      false, [&](TLySong* song) {
                                          if (song != FProject->MatchResult()->Songs().First())
                                              throw ELyProjectError(QStringLiteral("refused"));
                                          song->SetValueBoth(sdGenre, QStringLiteral("Jazz"));
                                      });
        });
        QCOMPARE(FRecorder->Failures.last(), QStringLiteral("refused"));
        QVERIFY(FProject->Modified());
    }

    void handChangesWaitForTheRun_data() {
        QTest::addColumn<QString>("change");
        for (const char* change : {"edit", "check box", "unmatch", "match by hand", "commit"})
            QTest::newRow(change) << QString::fromLatin1(change);
    }

    void handChangesWaitForTheRun() {
        // While the project's worker may touch the songs, a hand change is refused and changes
        // nothing; once the run has ended it is made and the songs count as modified.
        QFETCH(QString, change);
        FProject->Options()->SetName(FFolder->FilePath("project.xml"));
        Run([&] { FProject->LoadLibraries(); });
        const QString before = Describe(*FProject->MatchResult());
        // The run holds the worker until the test lets it go, also when a check fails.
        const auto release = std::make_shared<std::atomic<bool>>(false);
        const std::shared_ptr<void> releaseAtEnd(nullptr,
                                                 [release](void*) { release->store(true); });
        FProject->Process()->Start(QStringLiteral("Load Libraries"), [release](TVxPausableThread&) {
            while (!release->load())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
        for (bool cancelled : {false, true}) {
            if (cancelled)
                FProject->Process()->Cancel(); // the worker still runs until it sees the cancel
            QVERIFY(!FProject->CanChangeSongs());
            QString message;
            LY_EXPECT_EXCEPTION(ELyProjectError, ChangeByHand(*FProject, change), message);
            QVERIFY2(message.contains(QStringLiteral("[Load Libraries]")), qPrintable(message));
            QCOMPARE(Describe(*FProject->MatchResult()), before);
            QVERIFY(!FProject->Modified());
            QVERIFY(!FProject->MatchResult()->Updating());
        }
        release->store(true);
        FProject->Process()->WaitFor();
        QVERIFY(FProject->CanChangeSongs());
        ChangeByHand(*FProject, change);
        QVERIFY(Describe(*FProject->MatchResult()) != before);
        QVERIFY(FProject->Modified());
        FProject->Save(); // stores the project file, not the songs
        QVERIFY(FProject->Modified());
    }

    void ownerChangingReachesTheMainThread() {
        TLyOptions appOptions;
        TLyProject project(&appOptions, appOptions.ProjectWindow()->Views());
        project.MatchResult()->CreateViews();
        TChangingRecorder recorder;
        TLyView* view = project.MatchResult()->View(QStringLiteral("All"));
        view->Listeners()->AddListener(&recorder);
        // The worker opens the update of the songs.
        project.ExecuteForSongs(project.MatchResult(), new TLySongList(false), true,
                                [](TLySong*) {});
        project.Process()->WaitFor();
        view->Listeners()->RemoveListener(&recorder);
        QCOMPARE(recorder.Threads, QList<std::thread::id>{std::this_thread::get_id()});
    }

    void failedLoadNamesTheFile_data() {
        QTest::addColumn<bool>("brokenOne");
        QTest::addColumn<bool>("brokenTwo");
        QTest::newRow("library two") << false << true;
        QTest::newRow("library one") << true << false;
        // The two libraries load side by side: the error of One is still the one reported.
        QTest::newRow("both") << true << true;
    }

    void failedLoadNamesTheFile() {
        QFETCH(bool, brokenOne);
        QFETCH(bool, brokenTwo);
        const QString brokenOnePath =
            FFolder->WriteFile("broken-one.xml", "<?xml version=\"1.0\"?><plist><dict>");
        const QString brokenTwoPath =
            FFolder->WriteFile("broken-two.xml", "<?xml version=\"1.0\"?><plist><dict>");
        if (brokenOne)
            FProject->Options()->LibraryOne()->SetInputPath(brokenOnePath);
        if (brokenTwo)
            FProject->Options()->LibraryTwo()->SetInputPath(brokenTwoPath);
        Run([&] { FProject->LoadLibraries(); });
        QCOMPARE(FRecorder->Failures.size(), 2); // the sub task (if any) and the main task
        const QString named = brokenOne ? brokenOnePath : brokenTwoPath;
        QVERIFY2(FRecorder->Failures.last().contains(named),
                 qPrintable(FRecorder->Failures.last()));
        QVERIFY(!FProject->IsLoaded());
        QCOMPARE(FProject->Document(0) != nullptr, !brokenOne);
        QVERIFY(!FProject->Process()->Running());
    }

    void storeLibraryOne_data() {
        QTest::addColumn<bool>("unmatched");
        QTest::newRow("no output path") << false;
        QTest::newRow("checked songs without a track of One") << true;
    }

    // Waterloo's play count is set to 40 in both libraries, then library One is stored. Without
    // an output path the store is refused. After an unmatch Waterloo holds library Two's track
    // alone, and "Only Two" (checked by hand) never had one of One: neither writes into One's
    // document, whatever its One values hold.
    void storeLibraryOne() {
        QFETCH(bool, unmatched);
        Run([&] { FProject->LoadLibraries(); });
        TLyMatchResult* result = FProject->MatchResult();
        TLySong* waterloo = FindSong(*result, "Waterloo");
        if (unmatched) {
            ChangeByHand(*FProject, "unmatch");
            result->SetChecked({FindSong(*result, "Only Two")}, true);
            FProject->Options()->LibraryOne()->SetOutputPath(FFolder->FilePath("one-out.xml"));
        }
        TLySongSelection selection(result);
        selection.Add(waterloo);
        selection.SetValue(sdPlayCount, 40);
        Run([&] { FProject->StoreLibrary(0); });
        if (unmatched) {
            QVERIFY2(FRecorder->Failures.isEmpty(), qPrintable(FRecorder->Failures.join(u'\n')));
            const QByteArray written = ReadWholeFile(FFolder->FilePath("one-out.xml"));
            QVERIFY(written.contains("<integer>3</integer>"));
            QVERIFY(!written.contains("<integer>40</integer>"));
        } else {
            QCOMPARE(FRecorder->Failures.size(), 1);
            QVERIFY2(FRecorder->Failures.first().contains("no output file"),
                     qPrintable(FRecorder->Failures.first()));
            QVERIFY(FProject->Modified());
        }
        // One's document holds Waterloo's count as read: matching again reads it.
        Run([&] { FProject->MatchSongs(); });
        QCOMPARE(FindSong(*FProject->MatchResult(), "Waterloo")->OriginalOne().PlayCount(), 3);
    }

    void everyPlayCountedOnce_data() {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 8; ++seed)
            QTest::addRow("history %u", seed) << seed;
    }

    // Rounds of plays on both sides, a synchronisation and the export of one side, the other, both
    // or neither; each round reads the files the last one wrote.
    void everyPlayCountedOnce() {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        TLyTempFolder folder;
        TLyProject project(nullptr, nullptr);
        TLyProjectOptions* options = project.Options();
        options->SetName(folder.FilePath("project.xml"));
        options->SetAction(sdPlayCount, saAddPlays);
        QString paths[2];
        for (int side = 0; side < 2; ++side) {
            paths[side] = folder.WriteFile(side == 0 ? "one.xml" : "two.xml", PlayedLibrary());
            options->Library(side)->SetInputPath(paths[side]);
            options->Library(side)->SetOutputPath(paths[side]);
        }
        QList<int> played(kTracks, 0); // every play on either side since the first count
        QList<int> last[2] = {Counts(paths[0]), Counts(paths[1])};
        for (int round = 0; round < 12; ++round) {
            QList<int> plays[2];
            for (int side = 0; side < 2; ++side) {
                for (int t = 0; t < kTracks; ++t) {
                    // The first round agrees on the first count: nothing is remembered before it.
                    plays[side] << (round == 0 ? 0 : int(random.bounded(4)));
                    played[t] += plays[side][t];
                }
                Play(paths[side], plays[side]);
            }
            RunIn(project, [&] { project.LoadLibraries(); });
            RunIn(project, [&] { project.MatchResult()->SynchronizeAll(); });
            const int exports = round == 0 ? 2 : int(random.bounded(5)); // 0, 1, both, both, none
            const QList<int> sides = exports == 0   ? QList<int>{0}
                                     : exports == 1 ? QList<int>{1}
                                     : exports == 2 ? QList<int>{0, 1}
                                     : exports == 3 ? QList<int>{1, 0}
                                                    : QList<int>{};
            for (int side : sides)
                RunIn(project, [&] { project.StoreLibrary(side); });
            for (int side = 0; side < 2; ++side) {
                const QList<int> counts = Counts(paths[side]);
                QCOMPARE(counts.size(), kTracks);
                for (int t = 0; t < kTracks; ++t) {
                    const int expected = sides.contains(side) ? kFirstCount + played[t]
                                                              : last[side][t] + plays[side][t];
                    QVERIFY2(counts[t] == expected,
                             qPrintable(QStringLiteral("round %1, side %2, track %3: %4, not %5")
                                            .arg(round)
                                            .arg(side)
                                            .arg(t)
                                            .arg(counts[t])
                                            .arg(expected)));
                    QVERIFY(counts[t] >= last[side][t]);
                }
                last[side] = counts;
            }
        }
    }

    void killedStoreKeepsTheOldFile() {
        TLyTempFolder folder;
        const QString path = TLyPlayMemory::FileNameFor(folder.FilePath("project.xml"));
        QCOMPARE(path, folder.FilePath("project.plays"));
        TLyPlayMemory stored;
        stored.Put(QStringLiteral("00A1"), QStringLiteral("00b2"), {7, {7, 5}});
        stored.Store(path);
        // A store killed half-way leaves its temporary file, never a part of the file itself.
        QFile partial(TVxSaveFile::TemporaryName(path));
        QVERIFY(partial.open(QIODevice::WriteOnly));
        partial.write("Lyrabridge play counts 1\n00A1 00B2 9");
        partial.close();
        TLyPlayMemory read;
        read.Load(path);
        QCOMPARE(read.Count(), 1);
        QCOMPARE(read.Find(QStringLiteral("00a1"), QStringLiteral("00B2")),
                 std::optional(TLyPlayRecord{7, {7, 5}}));
        read.Put(QStringLiteral("00A1"), QStringLiteral("00B2"), {9, {9, 9}});
        read.Store(path); // takes the left temporary file over
        TLyPlayMemory again;
        again.Load(path);
        QCOMPARE(again.Find(QStringLiteral("00A1"), QStringLiteral("00B2")),
                 std::optional(TLyPlayRecord{9, {9, 9}}));
        QVERIFY(!QFile::exists(TVxSaveFile::TemporaryName(path)));
    }

    void damagedFileNamesItself_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("where");
        QTest::newRow("no header") << QByteArray("00A1 00B2 1 1 1\n") << "line 1";
        QTest::newRow("a count missing")
            << QByteArray("Lyrabridge play counts 1\n00A1 00B2 1 1 1\n00A1 00B3 1 1\n") << "line 3";
        QTest::newRow("a negative count")
            << QByteArray("Lyrabridge play counts 1\n00A1 00B2 1 -1 1\n") << "line 2";
    }

    void damagedFileNamesItself() {
        QFETCH(QByteArray, content);
        QFETCH(QString, where);
        TLyTempFolder folder;
        const QString path = folder.WriteFile("project.plays", content);
        TLyPlayMemory memory;
        memory.Put(QStringLiteral("00A1"), QStringLiteral("00B2"), {1, {1, 1}});
        QString message;
        LY_EXPECT_EXCEPTION(ELyProjectError, memory.Load(path), message);
        QVERIFY2(message.contains(path) && message.contains(where), qPrintable(message));
        QCOMPARE(memory.Count(), 1); // kept as it was
    }

    // Combine Beta with "Beta (live)", then change what the table's row names, load again.
    void pairedAgain_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("paired");
        QTest::addColumn<int>("applied");
        QTest::addColumn<int>("gone");
        QTest::addColumn<int>("remembered");
        QTest::newRow("reload") << "reload" << true << 1 << 0 << 1;
        QTest::newRow("match songs") << "match" << true << 1 << 0 << 1;
        QTest::newRow("saved and opened") << "open" << true << 1 << 0 << 1;
        QTest::newRow("track IDs renumbered") << "renumber" << true << 1 << 0 << 1;
        QTest::newRow("track gone: reported, kept") << "gone" << false << 0 << 1 << 1;
        QTest::newRow("split forgets") << "split" << false << 0 << 0 << 0;
    }
    void pairedAgain() {
        QFETCH(QString, change);
        TProjectFiles files;
        files.Folder.WriteFile("one.xml", PairedLibrary(kOne));
        files.Folder.WriteFile("two.xml", PairedLibrary(kTwo));
        auto project = std::make_unique<TLyProject>(nullptr, nullptr);
        files.Setup(*project);
        RunIn(*project, [&] { project->LoadLibraries(); });
        QCOMPARE(Songs(*project), QStringList({"-+B2", "A1+A2", "B1+-", "C1+C2"}));
        project->MatchResult()->MatchSongs(FindPair(*project, "B1+-"), FindPair(*project, "-+B2"));
        QVERIFY(project->Modified());

        if (change == u"match") {
            RunIn(*project, [&] { project->MatchSongs(); });
        } else if (change == u"open") {
            project->Save();
            project = std::make_unique<TLyProject>(nullptr, nullptr);
            files.Setup(*project);
            project->Open();
            project->Process()->WaitFor();
        } else {
            if (change == u"renumber")
                files.Folder.WriteFile(
                    "two.xml", PairedLibrary({"C2:Gamma", "B2:Beta (live)", "A2:Alpha"}, 700));
            if (change == u"gone")
                files.Folder.WriteFile("two.xml", PairedLibrary({"A2:Alpha", "C2:Gamma"}));
            if (change == u"split")
                project->MatchResult()->Unmatch(FindPair(*project, "B1+B2"));
            RunIn(*project, [&] { project->LoadLibraries(); });
        }
        QFETCH(bool, paired);
        QCOMPARE(FindPair(*project, "B1+B2") != nullptr, paired);
        QCOMPARE(FindPair(*project, "B1+-") != nullptr, !paired);
        QTEST(project->RememberedPairsApplied(), "applied");
        QTEST(project->RememberedPairsGone(), "gone");
        QTEST(project->Options()->RememberedPairs()->Count(), "remembered");
        if (change == u"gone") { // the track comes back
            files.Folder.WriteFile("two.xml", PairedLibrary(kTwo));
            RunIn(*project, [&] { project->LoadLibraries(); });
            QVERIFY(FindPair(*project, "B1+B2"));
            QCOMPARE(project->RememberedPairsGone(), 0);
        }
    }

    // A remembered pair wins over the exact matching; the partners it takes the tracks from stay
    // in the list, alone, and no track is lost or doubled.
    void pairsTakeTheirTracks_data() {
        QTest::addColumn<QStringList>("one");
        QTest::addColumn<QStringList>("two");
        QTest::addColumn<QStringList>("pairs");
        QTest::addColumn<QStringList>("songs");
        QTest::newRow("partners of both tracks left alone")
            << kOne << kTwo << QStringList{"A1 C2"}
            << QStringList{"-+A2", "-+B2", "A1+C2", "B1+-", "C1+-"};
        // Matching title and artist, the artist may be empty: both tracks of Two find Alpha.
        QTest::newRow("a track of One shared by two of Two")
            << QStringList{"A1:Alpha"} << QStringList{"A2:Alpha:Band", "X2:Alpha:Other"}
            << QStringList{"A1 X2"} << QStringList{"-+A2", "A1+X2"};
        QTest::newRow("the former partner held by another song stays there")
            << QStringList{"A1:Alpha", "B1:Beta"}
            << QStringList{"A2:Alpha:Band", "X2:Alpha:Other", "B2:Beta"} << QStringList{"B1 X2"}
            << QStringList{"-+B2", "A1+A2", "B1+X2"};
        QTest::newRow("two pairs swapping partners")
            << kOne << kTwo << QStringList{"A1 C2", "C1 A2"}
            << QStringList{"-+B2", "A1+C2", "B1+-", "C1+A2"};
        QTest::newRow("already paired") << kOne << kTwo << QStringList{"A1 A2"}
                                        << QStringList{"-+B2", "A1+A2", "B1+-", "C1+C2"};
    }
    void pairsTakeTheirTracks() {
        QFETCH(QStringList, one);
        QFETCH(QStringList, two);
        QFETCH(QStringList, pairs);
        TProjectFiles files;
        files.Folder.WriteFile("one.xml", PairedLibrary(one));
        files.Folder.WriteFile("two.xml", PairedLibrary(two));
        TLyProject project(nullptr, nullptr);
        files.Setup(project);
        project.Options()->SetRememberedPairTexts(pairs);
        TLyCompareOptions* compare = project.Options()->CompareOptions();
        compare->SetComponents({sccTitle, sccArtist});
        compare->SetCanBeEmpty({sccArtist});
        RunIn(project, [&] { project.LoadLibraries(); });
        RunIn(project, [&] { project.MatchSongs(); });
        QTEST(Songs(project), "songs");
        QCOMPARE(project.RememberedPairsApplied(), int(pairs.size()));
        for (const TLySong* song : project.MatchResult()->Songs())
            QCOMPARE(song->Checked(), song->IsMatched());
    }

    // A match window's commit remembers the pairs it commits and forgets the pairs of its
    // sources that it does not commit again; its own Combine and Split count only then.
    void commitRemembers() {
        TProjectFiles files;
        files.Folder.WriteFile("one.xml", PairedLibrary(kOne));
        files.Folder.WriteFile("two.xml", PairedLibrary(kTwo));
        TLyProject project(nullptr, nullptr);
        files.Setup(project);
        project.Options()->SetRememberedPairTexts({"A1 A2"});
        RunIn(project, [&] { project.LoadLibraries(); });
        TLyMatchResult window(&project, project.MatchResult(), nullptr);
        for (const char* pair : {"A1+A2", "B1+-", "-+B2"})
            window.Sources().Add(FindPair(project, QString::fromLatin1(pair)));
        for (const TLySong* source : window.Sources()) {
            auto copy = std::make_unique<TLySong>();
            copy->SetSides(source->OriginalOne().Exists() ? &source->OriginalOne() : nullptr,
                           source->OriginalTwo().Exists() ? &source->OriginalTwo() : nullptr);
            window.Songs().Add(copy.release());
        }
        const auto windowSong = [&](const QString& id, int side) {
            for (TLySong* song : window.Songs())
                if (song->Original(side).Exists() && song->Original(side).PersistentId() == id)
                    return song;
            return static_cast<TLySong*>(nullptr);
        };
        window.Unmatch(windowSong("A1", 0));
        window.MatchSongs(windowSong("B1", 0), windowSong("B2", 1));
        QCOMPARE(project.Options()->RememberedPairTexts(), QStringList{"A1 A2"});
        window.CommitToParent();
        QCOMPARE(project.Options()->RememberedPairTexts(), QStringList{"B1 B2"});
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

    // The project file keeps the pairs; a file of an earlier version, which names none, opened
    // in the same project after one that named some, leaves none; entries that are not two IDs
    // are skipped.
    void projectFile() {
        TProjectFiles files;
        const QString earlier = files.Folder.FilePath("earlier.xml");
        files.Folder.WriteFile(
            "earlier.xml", ReadWholeFile(QStringLiteral(LY_TEST_DATA_DIR "/options/project.xml"))
                               .replace("@PATH@", earlier.toUtf8()));
        TLyProject project(nullptr, nullptr);
        files.Setup(project);
        project.Options()->SetRememberedPairTexts({"B1 B2", "A1", "C1 C2 D2", "A1 A2"});
        QCOMPARE(project.Options()->RememberedPairTexts(), QStringList({"A1 A2", "B1 B2"}));
        project.Save();
        files.Setup(project, QStringLiteral("earlier.xml"));
        project.LoadOptions();
        QCOMPARE(project.Options()->RememberedPairs()->Count(), 0);
        files.Setup(project);
        project.LoadOptions();
        QCOMPARE(project.Options()->RememberedPairTexts(), QStringList({"A1 A2", "B1 B2"}));
    }
    void matchSelectedPairsTheHalvesOfASong() {
        Run([&] { FProject->LoadLibraries(); });
        TLyMatchResult* result = FProject->MatchResult();
        result->Unmatch(FindSong(*result, "Waterloo"));
        TLyMatchResult window(FProject.get(), result, nullptr);
        for (TLySong* song : result->Songs())
            window.Sources().Add(song);
        Run([&] { FProject->MatchSelected(&window); });
        QCOMPARE(window.Songs().Count(), 3);
        QVERIFY(FindSong(window, "Waterloo")->IsMatched());
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

    void invalidInputStartsNothing() {
        FProject->Options()->LibraryOne()->SetInputPath(FFolder->FilePath("missing.xml"));
        QVERIFY(!FProject->CanLoad());
        FProject->Reload();
        QVERIFY(!FProject->Process()->Running());
        QVERIFY(FRecorder->MainStepCounts.isEmpty());
        QVERIFY(!FProject->IsLoaded());
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

private:
    void Run(const std::function<void()>& start) {
        start();
        FProject->Process()->WaitFor();
    }

    std::unique_ptr<TLyProject> FProject;
    std::unique_ptr<TRunRecorder> FRecorder;
    std::unique_ptr<TLyTempFolder> FFolder;
};

QTEST_GUILESS_MAIN(TestLyProject)
#include "tst_LyProject.moc"
