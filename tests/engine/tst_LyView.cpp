// Views: the filter table on a small hand-made match result, synchronising and reverting the
// listed songs, the best-matches search, and refreshes racing with changes of the songs.
#include "LibraryBuilders.h"
#include "LyProject.h"
#include "LySongSelection.h"
#include "LyTestSupport.h"
#include "LyView.h"
#include "SongBuilders.h"

#include <QTest>

#include <random>

namespace {

class TRecordingMenu : public ILyMenu {
public:
    struct TItem {
        QString Caption;
        bool Checked;
        bool Enabled;
        int Tag;
        std::function<void()> Action;
    };
    QList<TItem> Items;
    std::vector<std::unique_ptr<TRecordingMenu>> SubMenus;
    QStringList SubCaptions;

    void Clear() override {
        Items.clear();
        SubMenus.clear();
        SubCaptions.clear();
    }
    void AddItem(const QString& caption, bool checked, bool enabled, int tag,
                 std::function<void()> action) override {
        Items.append({caption, checked, enabled, tag, std::move(action)});
    }
    ILyMenu* AddSubMenu(const QString& caption) override {
        SubCaptions << caption;
        SubMenus.push_back(std::make_unique<TRecordingMenu>());
        return SubMenus.back().get();
    }
};

// A small match result, one song of each kind, named after what it is.
void FillSongs(TLyMatchResult& result) {
    auto add = [&](const QString& name, std::optional<TLySongProperties> one,
                   std::optional<TLySongProperties> two) {
        auto song = MakeSong(one, two);
        song->CurrentOne().SetName(song->CurrentOne().Exists() ? name : QString());
        song->CurrentTwo().SetName(song->CurrentTwo().Exists() ? name : QString());
        song->OriginalOne().SetName(song->CurrentOne().Name());
        song->OriginalTwo().SetName(song->CurrentTwo().Name());
        song->CalculateDifferences();
        return result.Songs().Add(song.release());
    };
    add("same", Track().Artist("A").Rating(20).Build(), Track().Artist("A").Rating(20).Build());
    add("rating differs", Track().Rating(20).Build(), Track().Rating(60).Build());
    add("genre differs", Track().Genre("Pop").Build(), Track().Genre("Rock").Build());
    add("only one", Track().Build(), std::nullopt);
    add("only two", std::nullopt, Track().Build());
    const int edited =
        add("one edited", Track().PlayCount(1).Build(), Track().PlayCount(1).Build());
    TLySong* song = result.Songs().Items(edited);
    song->CurrentOne().SetPlayCount(9);
    song->CalculateDifferences();
}

// What a view's listeners hear: "changing", "map" for each song map a refresh builds, and
// "finished N" with the view's list count when a refresh's main task finishes. `OnStarted` runs
// when a refresh starts, while its worker waits.
class TViewRecorder : public TLyProcessListener {
public:
    TViewRecorder(TLyView* view)
        : FView(view) {
        view->Listeners()->AddListener(this);
    }
    ~TViewRecorder() override {
        if (FView)
            FView->Listeners()->RemoveListener(this);
    }
    QStringList Events;
    std::function<void()> OnStarted;

    void OwnerChanging(TLyProcess*) override { Events << QStringLiteral("changing"); }
    void OwnerDestroying(TLyProcess*) override {
        FView->Listeners()->RemoveListener(this);
        FView = nullptr;
    }
    void TaskStarted(ILyProcessTask* task) override {
        if (task->Caption() == u"Creating song map...")
            Events << QStringLiteral("map");
        if (task->IsMainTask() && OnStarted)
            OnStarted();
    }
    void TaskFinished(ILyProcessTask* task) override {
        if (task->IsMainTask())
            Events << QStringLiteral("finished %1").arg(FView->Songs().Count());
    }

private:
    TLyView* FView;
};

TLySong* AddSong(TLyMatchResult& result, const std::optional<TLySongProperties>& one,
                 const std::optional<TLySongProperties>& two) {
    return result.Songs().Items(result.Songs().Add(MakeSong(one, two).release()));
}

QStringList Names(const TLyView& view) {
    QStringList names;
    for (const TLySong* song : view.Songs())
        names << (song->CurrentOne().Exists() ? song->CurrentOne().Name()
                                              : song->CurrentTwo().Name());
    return names;
}

} // namespace

class TestLyView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { VxThreadsStartup(); }

    void synchronizeAndRevertTheListedSongs() {
        TLyProject project(nullptr, nullptr); // play count: use max
        TLyMatchResult* result = project.MatchResult();
        result->Songs().Add(
            MakeSong(Track("a").PlayCount(1).Build(), Track("a").PlayCount(5).Build()).release());
        result->Songs().Add(MakeSong(Track("b").PlayCount(2).Build(), std::nullopt).release());
        TLyViewOptions viewOptions(QStringLiteral("Matches"));
        viewOptions.SetFilterOptions({sfgMatched});
        TLyView view(result);
        view.SetOptions(&viewOptions);
        view.RequestRefresh();
        view.Process()->WaitFor();
        QCOMPARE(view.Songs().Count(), 1);
        view.SynchronizeAll();
        project.Process()->WaitFor();
        QCOMPARE(result->Songs().Items(0)->CurrentOne().PlayCount(), 5);
        QVERIFY(!result->Songs().Items(1)->IsModifiedAny()); // not listed: untouched
        view.Process()->WaitFor();
        ProcessMainThreadCalls();
        view.RevertAll();
        project.Process()->WaitFor();
        QCOMPARE(result->Songs().Items(0)->CurrentOne().PlayCount(), 1);
    }

    void refreshesRaceWithChanges() {
        // The project's worker synchronises and reverts all songs again and again while the main
        // thread unmatches and re-matches songs by hand, edits songs through a selection and asks
        // for refreshes: every view ends with a list that reflects the final songs, and nothing
        // races (run under ThreadSanitizer).
        TLyTempFolder folder;
        QList<TLyLibraryTrack> tracks;
        for (int i = 1; i <= 300; ++i)
            tracks << MakeLibraryTrack(i);
        TLyOptions appOptions;
        TLyProject project(&appOptions, appOptions.ProjectWindow()->Views());
        project.Options()->LibraryOne()->SetInputPath(
            folder.WriteFile("one.xml", MakeLibraryXml(tracks)));
        tracks.removeLast();
        project.Options()->LibraryTwo()->SetInputPath(
            folder.WriteFile("two.xml", MakeLibraryXml(tracks)));
        project.Reload();
        project.Process()->WaitFor();
        TLyMatchResult* result = project.MatchResult();
        QCOMPARE(result->Songs().Count(), 300);
        std::mt19937 random(7);
        for (int round = 0; round < 40; ++round) {
            if (!project.Process()->Running()) {
                if (round % 2)
                    result->SynchronizeAll();
                else
                    result->RevertSongs(new TLySongList(false), true);
            }
            // Hand changes on the main thread while the worker may be running are not allowed;
            // between runs they are.
            project.Process()->WaitFor();
            TLySong* song = result->Songs().Items(int(random() % 100));
            if (song->IsMatched()) {
                const int before = result->Songs().Count();
                result->Unmatch(song);
                TLySong* alone = result->Songs().Last();
                result->MatchSongs(song, alone);
                QCOMPARE(result->Songs().Count(), before);
            }
            TLySongSelection selection(result); // hand edits of several songs at once
            for (int i = 0; i < 5; ++i)
                selection.Add(result->Songs().Items(int(random() % 300)));
            selection.SetValue(sdGenre, QStringLiteral("Edited %1").arg(round));
            project.RefreshViews();
            QCoreApplication::processEvents();
        }
        project.Process()->WaitFor();
        for (const QString& name : TLyWindowOptions::DefaultViewNames()) {
            TLyView* view = result->View(name);
            QVERIFY2(view, qPrintable(name));
            view->Process()->WaitFor();
        }
        ProcessMainThreadCalls();
        QCOMPARE(result->View(QStringLiteral("All"))->Songs().Count(), result->Songs().Count());
        QCOMPARE(result->View(QStringLiteral("Matches"))->Songs().Count(), 299);
        QCOMPARE(result->View(QStringLiteral("Unmatched"))->Songs().Count(), 1);
        // The last edit is in the lists: the "All" view's songs are the result's songs.
        int edited = 0;
        for (const TLySong* song : result->View(QStringLiteral("All"))->Songs())
            edited += song->CurrentOne().Genre() == u"Edited 39";
        QVERIFY(edited > 0);
    }

    void everyUpdateEndsWithAFinishedList_data() {
        QTest::addColumn<int>("change");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("refresh") << 0 << QStringList{"finished 6"};
        QTest::newRow("update without a change") << 1 << QStringList{"changing", "finished 6"};
        QTest::newRow("match of two empty maps") << 2 << QStringList{"changing", "finished 6"};
        QTest::newRow("clear") << 3 << QStringList{"changing", "finished 0"};
    }

    void everyUpdateEndsWithAFinishedList() {
        // A listener finds the view's final list when the refresh finishes, and every update of the
        // match result that announced a change ends with one.
        QFETCH(int, change);
        QFETCH(QStringList, events);
        TLyOptions appOptions;
        TLyProject project(&appOptions, appOptions.ProjectWindow()->Views());
        TLyMatchResult* result = project.MatchResult();
        FillSongs(*result);
        TLyView* view = result->View(QStringLiteral("All"));
        QVERIFY(view);
        view->RequestRefresh();
        view->Process()->WaitFor();
        TViewRecorder recorder(view);
        if (change == 0) {
            view->RequestRefresh();
        } else if (change == 1) {
            result->BeginUpdate();
            result->EndUpdate();
        } else if (change == 2) {
            TLySongPropertiesMap empty;
            TLyCompareOptions options;
            project.Process()->Start(QStringLiteral("Match Songs"), [&](TVxPausableThread&) {
                project.Process()->StartMainTask(1, QStringLiteral("Matching Songs..."));
                result->Match(&empty, &empty, project.Process(), &options);
            });
            project.Process()->WaitFor();
        } else {
            result->Clear();
        }
        view->Process()->WaitFor();
        QCOMPARE(recorder.Events, events);
    }

    void refreshKeepsTheFilterItWasRequestedWith() {
        // The filter text changes while the refresh runs (a key typed into the filter box): the
        // refresh goes on with the text it was requested with.
        TLyMatchResult result(nullptr, nullptr, nullptr);
        FillSongs(result);
        TLyViewOptions viewOptions(QStringLiteral("All"));
        viewOptions.SetFilterOptions({sfgAll});
        viewOptions.SetFilterText(QStringLiteral("differs"));
        TLyView view(&result);
        view.SetOptions(&viewOptions);
        TViewRecorder recorder(&view);
        recorder.OnStarted = [&] {
            viewOptions.SetFilterText(QStringLiteral("nothing like it"));
        };
        view.RequestRefresh();
        view.Process()->WaitFor();
        QCOMPARE(Names(view), (QStringList{"rating differs", "genre differs"}));
        QCOMPARE(view.Filter().Text, QStringLiteral("differs"));
    }

    void bestMatchesForgetASongThatLeaves_data() {
        QTest::addColumn<int>("change");
        QTest::newRow("clear") << 0;
        QTest::newRow("combined into another song") << 1;
        QTest::newRow("committed from a match window") << 2;
    }

    void bestMatchesForgetASongThatLeaves() {
        // The song whose candidates are listed is freed by the match result: the view forgets it,
        // and the refresh that follows reads nothing freed (AddressSanitizer).
        QFETCH(int, change);
        TLyOptions appOptions;
        TLyProject project(&appOptions, appOptions.ProjectWindow()->Views());
        TLyMatchResult* result = project.MatchResult();
        TLySong* chosen = AddSong(*result, std::nullopt, Track("Colour").Artist("X").Build());
        TLySong* partner = AddSong(*result, Track("Color").Artist("X").Build(), std::nullopt);
        auto* view = static_cast<TLyBestMatchesView*>(result->View(QStringLiteral("Best Matches")));
        QVERIFY(view);
        view->SetSong(chosen);
        view->Process()->WaitFor();
        QCOMPARE(view->Songs().Count(), 1);
        TLyMatchResult child(&project, result, appOptions.MatchWindow()->Views());
        if (change == 0) {
            result->Clear();
        } else if (change == 1) {
            result->MatchSongs(partner, chosen);
        } else {
            child.Sources().Add(chosen);
            child.Songs().Add(MakeSong(std::nullopt, Track("Colour").Build()).release());
            child.CommitToParent();
        }
        QCOMPARE(view->Song(), nullptr);
        view->Process()->WaitFor();
        QVERIFY(view->Songs().IsEmpty());
    }

    void bestMatchesKeepTheirMapsUntilTheResultChanges() {
        TLyMatchResult result(nullptr, nullptr, nullptr);
        TLySong* first = AddSong(result, std::nullopt, Track("Colour").Build());
        TLySong* second = AddSong(result, std::nullopt, Track("Red").Build());
        AddSong(result, Track("Color").Build(), std::nullopt);
        TLyViewOptions viewOptions(QStringLiteral("Best Matches"));
        TLyBestMatchesView view(&result);
        view.SetOptions(&viewOptions);
        TViewRecorder recorder(&view);
        view.SetSong(first);
        view.Process()->WaitFor();
        view.SetSong(second); // library One's map is kept
        view.Process()->WaitFor();
        view.RequestRefresh(); // what the match result asks after a change: the map is built again
        view.Process()->WaitFor();
        QCOMPARE(recorder.Events,
                 (QStringList{"map", "finished 1", "finished 0", "map", "finished 0"}));
    }

    void matchWindowSynchronisesItsOwnResult() {
        // A match window's result has views of its own, and synchronising its songs updates that
        // result, not the project's.
        TLyOptions appOptions;
        TLyProject project(&appOptions, appOptions.ProjectWindow()->Views());
        TLyMatchResult child(&project, project.MatchResult(), appOptions.MatchWindow()->Views());
        TLyView* childView = child.View(QStringLiteral("All"));
        QVERIFY(childView);
        child.Songs().Add(
            MakeSong(Track("a").PlayCount(1).Build(), Track("a").PlayCount(5).Build()).release());
        TViewRecorder childRecorder(childView);
        TViewRecorder projectRecorder(project.MatchResult()->View(QStringLiteral("All")));
        child.SynchronizeAll();
        project.Process()->WaitFor();
        childView->Process()->WaitFor();
        QCOMPARE(child.Songs().Items(0)->CurrentOne().PlayCount(), 5);
        QCOMPARE(childRecorder.Events, (QStringList{"changing", "finished 1"}));
        QCOMPARE(projectRecorder.Events, QStringList{});
    }
    void bestMatchesSearchTheOtherLibrary() {
        TLyMatchResult result(nullptr, nullptr, nullptr);
        TLySong* wanted = MakeSong(std::nullopt, Track("Colour").Artist("X").Build()).release();
        result.Songs().Add(wanted);
        // Library One's tracks of every song count, matched ones included.
        result.Songs().Add(
            MakeSong(Track("Color").Artist("Y").Build(), Track("Color").Build()).release());
        result.Songs().Add(MakeSong(Track("Other").Build(), std::nullopt).release());
        TLyViewOptions viewOptions(QStringLiteral("Best Matches"));
        TLyBestMatchesView view(&result);
        view.SetOptions(&viewOptions);
        view.SetSong(wanted);
        view.Process()->WaitFor();
        QCOMPARE(view.Songs().Count(), 1);
        const TLySong* candidate = view.Songs().Items(0);
        QCOMPARE(candidate->OriginalOne().Name(), QStringLiteral("Color"));
        QVERIFY(!candidate->OriginalTwo().Exists());
        view.SetSong(nullptr);
        view.Process()->WaitFor();
        QVERIFY(view.Songs().IsEmpty());
    }
    void filters_data() {
        QTest::addColumn<QList<int>>("options");
        QTest::addColumn<int>("part");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<int>("count");
        const auto row = [](const char* name, const QList<int>& options, tLySongPart part,
                            const char* text, const char* listed, int count) {
            QTest::newRow(name) << options << int(part) << QString::fromUtf8(text)
                                << QString::fromUtf8(listed).split(u'|', Qt::SkipEmptyParts)
                                << count;
        };
        const char* all = "same|rating differs|genre differs|only one|only two|one edited";
        row("all", {sfgAll}, sdName, "", all, 6);
        row("all with text", {sfgAll}, sdName, "DIFFERS", "rating differs|genre differs", 6);
        row("one", {sfgOne}, sdName, "", "same|rating differs|genre differs|only one|one edited",
            5);
        row("two", {sfgTwo}, sdName, "", "same|rating differs|genre differs|only two|one edited",
            5);
        row("unmatched", {sfgUnmatched}, sdName, "", "only one|only two", 2);
        row("matched, rating differs", {sfgMatched, sfgDifferentSingle}, sdRating, "",
            "rating differs", 4);
        row("matched, not different", {sfgMatched, sfgNotDifferent}, sdName, "", "same", 4);
        row("matched, song data differs", {sfgMatched, sfgDifferentSongData}, sdName, "",
            "genre differs", 4);
        row("one, user data modified", {sfgOne, sfgModifiedUserData}, sdName, "", "one edited", 5);
        row("modification without a side filters nothing", {sfgMatched, sfgModifiedUserData},
            sdName, "", "same|rating differs|genre differs|one edited", 4);
        row("two, modified single part", {sfgTwo, sfgModifiedSingle}, sdPlayCount, "", "", 5);
        row("no group option", {sfgDifferentAll}, sdName, "", "", 0);
    }

    void filters() {
        QFETCH(QList<int>, options);
        QFETCH(int, part);
        QFETCH(QString, text);
        QFETCH(QStringList, listed);
        QFETCH(int, count);
        TLyMatchResult result(nullptr, nullptr, nullptr);
        FillSongs(result);
        TLyViewOptions viewOptions(QStringLiteral("Test"));
        tLySongFilterOptionSet filters;
        for (int option : options)
            filters.Include(tLySongFilterOption(option));
        viewOptions.SetFilterOptions(filters);
        viewOptions.SetFilterPart(tLySongPart(part));
        viewOptions.SetFilterText(text);
        TLyView view(&result);
        view.SetOptions(&viewOptions);
        view.RequestRefresh();
        view.Process()->WaitFor();
        QCOMPARE(Names(view), listed);
        QCOMPARE(view.Count(), count);
    }
};

QTEST_GUILESS_MAIN(TestLyView)
#include "tst_LyView.moc"
