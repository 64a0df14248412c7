// The project's runs end to end on small library files: load and match, synchronise, match
// again, store, and their steps, states and failures.
#include "LibraryBuilders.h"
#include "LibraryGenerator.h"
#include "LyLibraryFile.h"
#include "LyProcessRecorder.h"
#include "LyProject.h"
#include "LySongSelection.h"
#include "LyTestSupport.h"
#include "LyView.h"
#include "SongBuilders.h"

#include <QRegularExpression>
#include <QTest>

#include <thread>

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

// `xml` as the same library exported again: every Track ID renumbered, and every seventh track
// renamed since the first export.
QByteArray ExportedAgain(const QByteArray& xml) {
    QString text = QString::fromUtf8(xml);
    static const QRegularExpression id(QStringLiteral("<key>(Track ID</key><integer>)?(\\d+)<"));
    QString renumbered;
    qsizetype done = 0;
    for (const QRegularExpressionMatch& m : id.globalMatch(text)) {
        renumbered += QStringView(text).sliced(done, m.capturedStart(2) - done);
        renumbered += QString::number(m.captured(2).toLongLong() * 3 + 1000);
        done = m.capturedEnd(2);
    }
    renumbered += QStringView(text).sliced(done);
    const qsizetype playlists = renumbered.indexOf(QStringLiteral("<key>Playlists</key>"));
    const QString name = QStringLiteral("\t\t\t<key>Name</key><string>");
    int track = 0;
    for (qsizetype at = renumbered.indexOf(name); at >= 0 && (playlists < 0 || at < playlists);
         at = renumbered.indexOf(name, at + 1))
        if (++track % 7 == 0)
            renumbered.insert(at + name.size(), QStringLiteral("Edited "));
    return renumbered.toUtf8();
}

} // namespace

class TestLyProject : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        VxThreadsStartup();
        RegisterLyTypes();
        RegisterLyOptionClasses();
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

    void openedProjectIsTheFileItWasReadFrom() {
        const QString stored = FFolder->FilePath("stored.xml");
        FProject->Options()->SetName(stored);
        FProject->Options()->Store();
        // Moved after it was stored: it still holds the old path.
        const QString moved = FFolder->FilePath("moved.xml");
        QVERIFY(QFile::rename(stored, moved));

        TLyProject opened(nullptr, nullptr);
        opened.Options()->SetName(moved);
        opened.Open();
        opened.Process()->WaitFor();
        QCOMPARE(opened.Options()->LibraryTwo()->OutputPath(), FFolder->FilePath("two-out.xml"));
        QCOMPARE(opened.Options()->Name(), moved);
        QCOMPARE(opened.Process()->Name(), QStringLiteral("moved.xml"));
        opened.Save();
        QVERIFY(!QFileInfo::exists(stored));
        QVERIFY(ReadWholeFile(moved).contains("<Name>" + moved.toUtf8() + "</Name>"));
    }

    void invalidInputStartsNothing() {
        FProject->Options()->LibraryOne()->SetInputPath(FFolder->FilePath("missing.xml"));
        QVERIFY(!FProject->CanLoad());
        FProject->Reload();
        QVERIFY(!FProject->Process()->Running());
        QVERIFY(FRecorder->MainStepCounts.isEmpty());
        QVERIFY(!FProject->IsLoaded());
    }

    void synchronizeThenMatchShowsTheDocuments() {
        Run([&] { FProject->LoadLibraries(); });
        Run([&] { FProject->MatchResult()->SynchronizeAll(); }); // play count: use max
        QVERIFY(FProject->Modified());
        const TLySong* waterloo = FindSong(*FProject->MatchResult(), "Waterloo");
        QCOMPARE(waterloo->CurrentOne().PlayCount(), 5);
        QCOMPARE(waterloo->CurrentTwo().PlayCount(), 5);

        Run([&] { FProject->MatchSongs(); }); // rebuilt from the documents: the change is gone
        waterloo = FindSong(*FProject->MatchResult(), "Waterloo");
        QVERIFY(waterloo && waterloo->IsMatched());
        QCOMPARE(waterloo->CurrentOne().PlayCount(), 3);
        QCOMPARE(FRecorder->MainSteps.filter("Clearing previous matches...").size(), 1);
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

    void storedLibraryIsReadByTheNextMatch() {
        Run([&] { FProject->LoadLibraries(); });
        Run([&] { FProject->MatchSongs(); }); // reads the tracks the load kept
        QCOMPARE(FindSong(*FProject->MatchResult(), "Waterloo")->OriginalTwo().PlayCount(), 5);
        FProject->Options()->SetAction(sdPlayCount, saUseMin);
        Run([&] { FProject->MatchResult()->SynchronizeAll(); });
        Run([&] { FProject->StoreLibrary(1); });
        QVERIFY(FRecorder->Failures.isEmpty());
        QVERIFY(!FProject->Modified());
        const QByteArray written = ReadWholeFile(FProject->Options()->LibraryTwo()->OutputPath());
        QVERIFY(written.contains("<integer>3</integer>"));
        QVERIFY(!written.contains("<integer>5</integer>"));
        // The tracks kept from the earlier reads are stale now: the document says 3.
        Run([&] { FProject->MatchSongs(); });
        const TLySong* waterloo = FindSong(*FProject->MatchResult(), "Waterloo");
        QCOMPARE(waterloo->OriginalTwo().PlayCount(), 3);
        QCOMPARE(waterloo->OriginalOne().PlayCount(), 3);
        QCOMPARE(FindSong(*FProject->MatchResult(), "Only Two")->OriginalTwo().PlayCount(), 2);
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

    void copiesOfOneLibraryPairByPersistentId_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("allPaired");
        QTest::newRow("persistent ID") << int(scmPersistentIdMatch) << true;
        QTest::newRow("texts, which were edited") << int(scmAlphanumericMatch) << false;
    }

    void copiesOfOneLibraryPairByPersistentId() {
        QFETCH(int, mode);
        QFETCH(bool, allPaired);
        constexpr int kTracks = 400;
        const TLyLibraryGenerator generator(kTracks);
        QString error;
        const QString first = FFolder->FilePath("first.xml");
        QVERIFY2(generator.WriteFile(first, TLyBenchLibrary::One, &error), qPrintable(error));
        const QByteArray again = ExportedAgain(ReadWholeFile(first));
        QVERIFY(again != ReadWholeFile(first));
        TLyProjectOptions* options = FProject->Options();
        options->LibraryOne()->SetInputPath(first);
        options->LibraryTwo()->SetInputPath(FFolder->WriteFile("again.xml", again));
        options->CompareOptions()->SetMode(tLySongCompareMode(mode));
        Run([&] { FProject->LoadLibraries(); });
        Run([&] { FProject->MatchSongs(); });
        QVERIFY(FRecorder->Failures.isEmpty());
        const TLySongList& songs = FProject->MatchResult()->Songs();
        const auto matched = std::count_if(songs.begin(), songs.end(),
                                           [](const TLySong* song) { return song->IsMatched(); });
        QCOMPARE(matched == kTracks && songs.Count() == kTracks, allPaired);
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
