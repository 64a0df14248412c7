// The list frame of a song page and the five pages: the enabled rules over the states of view,
// project and selection, the Use captions, each action's effect on hand-made songs, the status
// line and tab captions, and the selection timer; the match window opened from the unmatched
// page: the options asked first, the proposals and header shown, the project's songs replaced on
// OK and untouched on Cancel, the library pages' tools that do not apply there, and the window's
// geometry.
#include "LyDataRows.h"
#include "LyDialogs.h"
#include "LyMatchWindow.h"
#include "LySongListModel.h"
#include "LySongListTree.h"
#include "LySongMatchResultFrame.h"
#include "LySongMatchResultListFrame.h"
#include "LySongPageFrames.h"
#include "LySongPropertyWindow.h"
#include "LyTimers.h"
#include "LyView.h"
#include "SongListFixture.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

namespace {

// Three matched songs (two of them modified) and three unmatched ones.
std::vector<std::unique_ptr<TLySong>> ReviewSongs() {
    std::vector<std::unique_ptr<TLySong>> songs;
    auto base = [](const char* name) {
        return Track(QString::fromLatin1(name)).Artist("Abba").Album("Gold").PlayCount(3);
    };
    songs.push_back(MakeSong(base("Equal").Build(), base("Equal").Build()));
    songs.push_back(MakeSong(base("Edited").Build(), base("Edited").Build()));
    songs.back()->CurrentOne().SetArtist(QStringLiteral("Abba (live)"));
    songs.back()->CalculateDifferences();
    songs.push_back(MakeSong(base("Both edited").Build(), base("Both edited").Build()));
    songs.back()->SetValueBoth(sdGenre, QStringLiteral("Jazz"));
    songs.push_back(MakeSong(base("Waterloo").PlayCount(7).Rating(60).LastPlayed(45000.5).Build(),
                             std::nullopt));
    songs.push_back(MakeSong(std::nullopt, base("Waterlo").LastPlayed(45100.25).Build()));
    songs.push_back(MakeSong(base("Dancing Queen").Genre("").Build(), std::nullopt));
    return songs;
}

// A list frame around the page of `name`, shown on its view.
std::unique_ptr<TLySongMatchResultList> ShowList(TLySongListFixture& fixture, const QString& name) {
    auto list = std::make_unique<TLySongMatchResultList>(MakeSongPage(name).release());
    list->resize(900, 600);
    list->show();
    list->SetView(fixture.View(name));
    fixture.Settle();
    return list;
}

// The enabled actions of the frame without their "Act" prefix; the Use and Edit items, which
// share one rule per submenu, by their first item.
QString EnabledText(const TLySongMatchResultList& list) {
    QStringList names;
    for (const QAction* action : list.Actions()) {
        QString name = action->objectName().mid(3);
        if (!action->isEnabled() || (name.back().isDigit() && !name.endsWith(u'0')))
            continue;
        if (name.endsWith(u'0'))
            name.chop(1);
        names << name;
    }
    names.sort();
    return names.join(u' ');
}

// Songs on the page of `name` in a list frame, the rows named in `select` (comma separated)
// selected and taken as the selection.
struct TListScene {
    TListScene(const QString& name, const QString& select,
               std::vector<std::unique_ptr<TLySong>> songs = ReviewSongs()) {
        Fixture.Add(std::move(songs));
        List = ShowList(Fixture, name);
        Select(select);
    }
    ~TListScene() {
        Fixture.Settle();
        List->SetView(nullptr);
    }
    void Select(const QString& names) {
        SelectRows(*List->FrmSongList(), names.split(u',', Qt::SkipEmptyParts));
        Timers.Advance(100);
        Fixture.Settle();
    }

    TLyManualTimers Timers;
    TLySongListFixture Fixture;
    std::unique_ptr<TLySongMatchResultList> List;
};

std::vector<std::unique_ptr<TLySong>> UnmatchedPairs() {
    auto track = [](const char* name) {
        return Track(QString::fromLatin1(name)).Artist("Abba").Album("Gold").Build();
    };
    std::vector<std::unique_ptr<TLySong>> songs;
    songs.push_back(MakeSong(track("Equal"), track("Equal")));
    songs.push_back(MakeSong(track("Waterloo"), std::nullopt));
    songs.push_back(MakeSong(std::nullopt, track("Waterloo")));
    songs.push_back(MakeSong(track("Dancing Queen"), std::nullopt));
    songs.push_back(MakeSong(std::nullopt, track("Fernando")));
    return songs;
}

// What the open match window shows.
QString Describe(TLyMatchForm& form) {
    TLySongMatchResult* frame = form.FrmSongMatchResult();
    TLyView* matches = frame->MatchResult()->View(QStringLiteral("Matches"));
    matches->Process()->WaitFor();
    QCoreApplication::processEvents();
    frame->FrmAllSongs()->UpdateActions();
    frame->FrmOneSongs()->UpdateActions();
    QStringList texts{form.windowTitle(),
                      QStringLiteral("%1x%2").arg(form.minimumWidth()).arg(form.minimumHeight()),
                      form.LblMatchType()->text(),
                      form.LblFields()->text(),
                      form.LblOptional()->text(),
                      SongsText(matches->Songs(), false)};
    if (frame->FrmAllSongs()->ActLoadLibraries()->isEnabled())
        texts << QStringLiteral("load");
    if (frame->FrmOneSongs()->ActExportToFile()->isEnabled())
        texts << QStringLiteral("export");
    if (frame->FrmTwoSongs()->CmbFilter()->isVisibleTo(frame->FrmTwoSongs()))
        texts << QStringLiteral("filter list");
    // Matching starts from the project's own songs only.
    form.show();
    frame->SetCurrentPage(TLySongMatchResult::pgUnmatched);
    frame->CurrentList()->View()->Process()->WaitFor();
    QCoreApplication::processEvents();
    frame->CurrentList()->UpdateActions();
    texts << SongsText(frame->CurrentList()->View()->Songs(), false);
    if (frame->CurrentList()->ActMatchAll()->isEnabled())
        texts << QStringLiteral("match");
    form.hide();
    return texts.join(u'|');
}

const QString kAlways = QStringLiteral("Edit SetAsDefaultView ToggleSongInfo");

} // namespace

class TestLySongMatchResultList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { VxThreadsStartup(); }
    void cleanupTestCase() { VxThreadsShutdown(); }

    void enabledRules_data() {
        // Rows to select, then steps: noview, refreshing, running (the project's process), frozen,
        // best (the single best match selected).
        LyColumns<QString, QString, QString, QString>("page", "select", "steps", "enabled");
        const QString all = QStringLiteral(" SynchronizeAll RevertAll MatchAll");
        auto row = [](const char* name, const char* page, const char* select, const char* steps,
                      const QString& enabled) {
            QStringList sorted = (kAlways + u' ' + enabled).split(u' ', Qt::SkipEmptyParts);
            sorted.sort();
            QTest::newRow(name) << page << select << steps << sorted.join(u' ');
        };
        row("no view", "All", "", "noview", "");
        row("nothing selected", "All", "", "", all);
        row("refreshing", "All", "Equal", "refreshing", "");
        row("project running", "All", "Equal", "running", "");
        row("frozen", "All", "Equal", "frozen", "");
        row("one matched", "All", "Equal", "",
            all + " UseOne UseTwo SplitSelected SynchronizeSelected");
        row("one- and two-only", "All", "Waterloo,Waterlo", "",
            all + " UseOne UseTwo CombineSelected MatchSelected");
        row("one-only first, then two-only", "All", "Dancing Queen,Waterlo", "",
            all + " UseOne UseTwo CombineSelected MatchSelected");
        row("two one-only", "All", "Waterloo,Dancing Queen", "", all + " UseOne");
        row("modified on both sides", "All", "Edited,Both edited", "",
            all + " UseOne UseTwo SplitSelected SynchronizeSelected RevertSelected");
        row("one row, no best match", "Unmatched", "Waterloo", "", all + " UseOne");
        row("one row and a best match", "Unmatched", "Waterloo", "best",
            all + " UseOne CombineSelected");
        row("matched songs only", "Matches", "", "", " SynchronizeAll RevertAll");
        row("no songs on the page", "Matches", "", "unmatched", "");
    }

    void enabledRules() {
        auto [page, select, steps, enabled] =
            LyFetch<QString, QString, QString, QString>("page", "select", "steps", "enabled");
        auto songs = ReviewSongs();
        if (steps.contains(u"unmatched")) // only the songs of one library
            std::erase_if(songs, [](const auto& song) { return song->IsMatched(); });
        TListScene scene(page, select, std::move(songs));
        TLySongMatchResultList* list = scene.List.get();
        std::unique_ptr<TLyBlockingRun> run;
        for (const QString& step : steps.split(u' ', Qt::SkipEmptyParts)) {
            if (step == u"noview")
                list->SetView(nullptr);
            else if (step == u"refreshing")
                list->View()->RequestRefresh();
            else if (step == u"running")
                run = std::make_unique<TLyBlockingRun>(&scene.Fixture.Project(), "Held");
            else if (step == u"frozen")
                scene.Fixture.Result().BeginUpdate();
            else if (step == u"best") {
                list->PageTools()->setCurrentWidget(list->FrmBestMatches());
                SelectRows(*list->FrmBestMatches(), {QStringLiteral("Waterlo")});
            }
        }
        list->UpdateActions();
        const QString actual = EnabledText(*list);
        run.reset();
        if (steps.contains(u"frozen"))
            scene.Fixture.Result().EndUpdate();
        QCOMPARE(actual, enabled);
    }

    void useCaptions_data() {
        LyColumns<QString, QString, QString, bool>("select", "useOne", "useTwo", "submenus");
        const QString none =
            QStringLiteral("&Name|&Artist|Al&bum|&Genre|&Play Count|&Last Played|&Rating");
        QTest::newRow("nothing") << "" << none << none << false;
        // The songs about to change are no longer offered.
        QTest::newRow("songs changing") << "Waterloo;frozen" << none << none << false;
        QTest::newRow("one-only song")
            << "Waterloo"
            << "Waterloo|Abba|Gold|Genre: ---|Played 7 times|" +
                   TLyTrackBuilder().LastPlayed(45000.5).Build().GetText(sdLastPlayed) + "|3 stars"
            << "Name: ---|Artist: ---|Album: ---|Genre: ---|Play Count: Played --- times|"
               "Last Played: ---|Rating: --- stars"
            << false;
        QTest::newRow("two matched songs")
            << "Edited,Both edited"
            << "Name: (multiple values)|Abba|Gold|Genre: ---|Played 3 times|Last Played: ---|"
               "Rating: --- stars"
            << "Name: (multiple values)|Abba|Gold|Genre: ---|Played 3 times|Last Played: ---|"
               "Rating: --- stars"
            << true;
    }

    void useCaptions() {
        auto [select, useOne, useTwo, submenus] =
            LyFetch<QString, QString, QString, bool>("select", "useOne", "useTwo", "submenus");
        TListScene scene(QStringLiteral("All"), QStringLiteral("Equal"));
        scene.Select(select.section(u';', 0, 0));
        const bool frozen = select.endsWith(u";frozen");
        if (frozen)
            scene.Fixture.Result().BeginUpdate();
        TLySongMatchResultList* list = scene.List.get();
        // As the page's Use submenus hold them.
        QStringList one, two;
        for (const QAction* action : list->Page()->MnuUseOne()->actions())
            one << action->text();
        for (const QAction* action : list->Page()->MnuUseTwo()->actions())
            two << action->text();
        if (frozen)
            scene.Fixture.Result().EndUpdate();
        QCOMPARE(one.join(u'|'), useOne);
        QCOMPARE(two.join(u'|'), useTwo);
        QCOMPARE(list->Page()->MnuUseOne()->isEnabled(), submenus);
        QCOMPARE(list->Page()->MnuUseTwo()->isEnabled(), submenus);
    }

    void useTakesThePartOfItsItem() {
        auto songs = ReviewSongs();
        TLySong* song = songs.front().get();
        song->CurrentTwo().SetLastPlayed(45200.0);
        song->CalculateDifferences();
        TListScene scene(QStringLiteral("All"), QStringLiteral("Equal"), std::move(songs));
        scene.List->UpdateActions();
        scene.List->ActUseOne(sdLastPlayed)->trigger();
        scene.Fixture.Settle();
        QCOMPARE(song->CurrentTwo().LastPlayed(), song->OriginalOne().LastPlayed());
        QCOMPARE(song->CurrentTwo().PlayCount(), 3);
    }

    void actions_data() {
        // An action's name, or a gesture on the single best match: click, dblclick, return.
        LyColumns<QString, QString, QString, int, QString, QString>("page", "select", "action",
                                                                    "answer", "songs", "requests");
        const QString before = QStringLiteral(
            "Both edited[12]* Dancing Queen[1] Edited[12]*~ Equal[12] Waterlo[2] Waterloo[1]");
        const QString combined = QStringLiteral(
            "Both edited[12]* Dancing Queen[1] Edited[12]*~ Equal[12] Waterloo[12]~");
        const QString reverted = QStringLiteral(
            "Both edited[12] Dancing Queen[1] Edited[12] Equal[12] Waterlo[2] Waterloo[1]");
        const QString revert =
            QStringLiteral("Question Reverting will affect %1 songs. Are you sure you want to "
                           "continue?");
        const QString sync = QStringLiteral("Modal TLyTransferOptionsForm");
        const QString edit = QStringLiteral("Modal TLySongPropertyForm");
        const int yes = QMessageBox::Yes, no = QMessageBox::No;
        const int ok = QDialog::Accepted, cancel = QDialog::Rejected;
        auto row = [](const char* name, const char* page, const char* select, const char* action,
                      int answer, const QString& songs, const QString& requests) {
            QTest::newRow(name) << page << select << action << answer << songs << requests;
        };
        row("combine two rows", "All", "Waterloo,Waterlo", "ActCombineSelected", yes, combined, "");
        row("combine by double click", "Unmatched", "Waterloo", "dblclick", yes, combined, "");
        row("combine by return", "Unmatched", "Waterloo", "return", yes, combined, "");
        row("a click combines nothing", "Unmatched", "Waterloo", "click", yes, before, "");
        row("split", "All", "Equal,Waterloo", "ActSplitSelected", yes,
            "Both edited[12]* Dancing Queen[1] Edited[12]*~ Equal[1] Equal[2] Waterlo[2] "
            "Waterloo[1]",
            "");
        row("synchronize selected", "All", "Edited", "ActSynchronizeSelected", ok,
            "Both edited[12]* Dancing Queen[1] Edited[12] Equal[12] Waterlo[2] Waterloo[1]", sync);
        row("synchronize cancelled", "All", "Edited", "ActSynchronizeSelected", cancel, before,
            sync);
        row("revert selected", "All", "Edited,Both edited,Equal", "ActRevertSelected", yes,
            reverted, revert.arg(2));
        row("revert refused", "All", "Edited", "ActRevertSelected", no, before, revert.arg(1));
        row("revert all", "Matches", "", "ActRevertAll", yes, reverted, revert.arg(2));
        // "Mamma Mia" typed.
        row("edit a name", "All", "Waterloo,Waterlo", "ActEdit0", ok,
            "Both edited[12]* Dancing Queen[1] Edited[12]*~ Equal[12] Mamma Mia[1] Mamma Mia[2]",
            edit);
        row("edit cancelled", "All", "Waterloo,Waterlo", "ActEdit0", cancel, before, edit);
        row("revert all of nothing", "Unmatched", "", "ActRevertAll", yes, before, "");
    }

    void actions() {
        auto [page, select, action, answer, songs, requests] =
            LyFetch<QString, QString, QString, int, QString, QString>(
                "page", "select", "action", "answer", "songs", "requests");
        TListScene scene(page, select);
        TLySongListFixture& fixture = scene.Fixture;
        TLySongMatchResultList* list = scene.List.get();
        // Synchronising overwrites changed values with library One's artist.
        fixture.Project().Options()->SetAction(sdArtist, saUseOne);
        fixture.Project().Options()->SetForceSynchronize(true);
        TLyDialogAnswers answers([answer](const TLyDialogRequest&) {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* form = qobject_cast<TLySongPropertyForm*>(widget))
                    form->EdtValue()->setText(QStringLiteral("Mamma Mia"));
            return TLyDialogAnswer{answer, {}};
        });
        if (action.startsWith(u"Act")) {
            list->UpdateActions();
            list->findChild<QAction*>(action)->trigger();
        } else {
            TLySongListView* best = list->FrmBestMatches();
            list->PageTools()->setCurrentWidget(best);
            fixture.Settle();
            SelectRows(*best, {QStringLiteral("Waterlo")});
            QWidget* viewport = best->TreeSongs()->viewport();
            const QPoint at = best->TreeSongs()->visualRect(best->Model()->index(0, 0)).center();
            QVERIFY(viewport->rect().contains(at));
            if (action == u"click")
                QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
            else if (action == u"dblclick") {
                // A user's double click starts with a click, which the test's double click lacks.
                QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
                QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
            } else
                QTest::keyClick(best->TreeSongs(), Qt::Key_Return);
        }
        fixture.Settle();
        QStringList asked;
        for (const TLyDialogRequest& request : answers.Requests)
            asked << (request.Kind == TLyDialogRequest::Question
                          ? QStringLiteral("Question ") + request.Text
                          : QStringLiteral("Modal ") + request.Detail);
        QCOMPARE(SongsText(fixture.Result().Songs()), songs);
        QCOMPARE(asked.join(u'|'), requests);
        if (action == u"ActRevertAll" && requests.isEmpty())
            QCOMPARE(list->StatusBar()->text(), QStringLiteral("Nothing to revert"));
    }

    void setDefaults_data() {
        // width: of the Artist column on the other pages afterwards
        LyColumns<int, int>("answer", "width");
        QTest::newRow("yes") << int(QMessageBox::Yes) << 333;
        QTest::newRow("no") << int(QMessageBox::No) << 150;
    }

    void setDefaults() {
        auto [answer, width] = LyFetch<int, int>("answer", "width");
        TLySongListFixture fixture;
        fixture.Add(ReviewSongs());
        auto frame = fixture.ShowResult();
        TLySongMatchResultList* all = frame->List(TLySongMatchResult::pgAll);
        all->FrmSongList()->TreeSongs()->header()->resizeSection(1, 333);
        TLyDialogAnswers answers([answer](const TLyDialogRequest&) {
            return TLyDialogAnswer{answer, {}};
        });
        all->ActSetAsDefaultView()->trigger();
        fixture.Settle();
        QCOMPARE(answers.Requests.size(), 1);
        TLySongMatchResultList* matched = frame->List(TLySongMatchResult::pgMatched);
        QCOMPARE(matched->View()->Options()->Column(1)->Width(), width);
        QCOMPARE(matched->FrmSongList()->TreeSongs()->header()->sectionSize(1), width);
        frame->SetMatchResult(nullptr);
    }

    void holdingDownRebuildsOncePerPause() {
        TLyManualTimers timers;
        TLySongListFixture fixture;
        std::vector<std::unique_ptr<TLySong>> songs;
        for (int i = 0; i < 60; ++i)
            songs.push_back(
                MakeSong(Track(QStringLiteral("Song %1").arg(i, 2, 10, QLatin1Char('0'))).Build(),
                         std::nullopt));
        fixture.Add(std::move(songs));
        auto list = ShowList(fixture, QStringLiteral("All"));
        SelectRows(*list->FrmSongList(), {QStringLiteral("Song 00")});
        timers.Advance(100);
        struct TCounter : ILySongSelectionListener {
            int Count = 0;
            void SelectionChanged(TLySongSelection* selection) override {
                Count += selection != nullptr;
            }
        } counter;
        list->Selection()->AddListener(&counter);
        counter.Count = 0;
        // Key repeat: a key every 30 ms, then a pause.
        for (int key = 0; key < 50; ++key) {
            QTest::keyClick(list->FrmSongList()->TreeSongs(), Qt::Key_Down);
            timers.Advance(30);
        }
        QCOMPARE(counter.Count, 0);
        timers.Advance(100);
        QCOMPARE(counter.Count, 1);
        QCOMPARE(list->Selection()->Count(), 1);
        QCOMPARE(list->Selection()->Items(0)->CurrentOne().Name(), QStringLiteral("Song 50"));
        list->Selection()->RemoveListener(&counter);
        list->SetView(nullptr);
    }
    void roundTrip_data() {
        // cancelMatching: Cancel as the matching run starts
        LyColumns<int, int, bool, QString, QString>("optionsAnswer", "windowAnswer",
                                                    "cancelMatching", "window", "songs");
        const int ok = QDialog::Accepted, cancel = QDialog::Rejected;
        const QString shown =
            QStringLiteral("Match Songs|720x475|Match all text, ignoring case|Title, "
                           "Artist, Album|Album|Waterloo[12]|Dancing Queen[1] Fernando[2]");
        const QString before =
            QStringLiteral("Dancing Queen[1] Equal[12] Fernando[2] Waterloo[1] Waterloo[2]");
        QTest::newRow("ok") << ok << ok << false << shown
                            << QStringLiteral(
                                   "Dancing Queen[1] Equal[12] Fernando[2] Waterloo[12]");
        QTest::newRow("cancelled window") << ok << cancel << false << shown << before;
        QTest::newRow("cancelled options") << cancel << ok << false << QString() << before;
        QTest::newRow("cancelled matching") << ok << ok << true << QString() << before;
    }

    void roundTrip() {
        auto [optionsAnswer, windowAnswer, cancelMatching, window, songs] =
            LyFetch<int, int, bool, QString, QString>("optionsAnswer", "windowAnswer",
                                                      "cancelMatching", "window", "songs");
        TLyManualTimers timers;
        TLySongListFixture fixture;
        fixture.Add(UnmatchedPairs());
        TLyProject& project = fixture.Project();
        TLyCompareOptions* compare = project.Options()->CompareOptions();
        compare->SetExactMatch();
        compare->SetComponents({sccTitle, sccArtist, sccAlbum});
        compare->SetCanBeEmpty({sccAlbum});
        TLyWindowOptions* geometry = project.AppOptions()->MatchWindow();
        geometry->SetWidth(300); // smaller than the window can be
        geometry->SetHeight(900);
        auto frame = fixture.ShowResult();
        QObject::connect(
            frame.get(), &TLySongMatchResult::MatchRequested, // as the project window
            [&](const QList<TLySong*>& chosen) { LyMatchSongs(frame.get(), &project, chosen); });
        frame->SetCurrentPage(TLySongMatchResult::pgUnmatched);
        fixture.Settle();
        TLySongMatchResultList* list = frame->CurrentList();
        SelectRows(*list->FrmSongList(),
                   {QStringLiteral("Waterloo"), QStringLiteral("Dancing Queen"),
                    QStringLiteral("Fernando")});
        timers.Advance(100);
        QCOMPARE(list->FrmSongList()->SelectedCount(), 4);

        QString shown;
        QStringList asked;
        TLyDialogAnswers answers([&](const TLyDialogRequest& request) {
            asked << request.Detail;
            if (request.Detail == u"TLyMatchOptionsForm")
                return TLyDialogAnswer{optionsAnswer, {}};
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* form = qobject_cast<TLyMatchForm*>(widget))
                    shown = Describe(*form);
            return TLyDialogAnswer{windowAnswer, {}};
        });
        struct TCanceller : TLyProcessListener {
            TLyProcess* Process = nullptr;
            void TaskStarted(ILyProcessTask* task) override {
                if (Process && task->IsMainTask())
                    Process->Cancel();
            }
        } canceller;
        canceller.Process = cancelMatching ? project.Process() : nullptr;
        project.Listeners()->AddListener(&canceller);
        list->UpdateActions();
        list->ActMatchSelected()->trigger();
        project.Listeners()->RemoveListener(&canceller);
        fixture.Settle();
        QCOMPARE(shown, window);
        QCOMPARE(SongsText(fixture.Result().Songs(), false), songs);
        QCOMPARE(asked.join(u' '), window.isEmpty()
                                       ? QStringLiteral("TLyMatchOptionsForm")
                                       : QStringLiteral("TLyMatchOptionsForm TLyMatchForm"));
        if (!window.isEmpty())
            QCOMPARE(QSize(geometry->Width(), geometry->Height()), QSize(720, 900));
        frame->SetMatchResult(nullptr);
    }
    void statusAndTabCaptions_data() {
        // filter: typed into the Matches page's filter box
        // pairs: remembered before the load
        // status: of the five pages
        LyColumns<bool, QString, QStringList, QString, QString>("loaded", "filter", "pairs",
                                                                "status", "captions");
        const QString loaded =
            QStringLiteral("All (340)|Laptop (340)|Desktop (340)|Matches (340)|Unmatched (0)");
        const QString songs =
            QStringLiteral("340 songs%1|340 songs%1|340 songs%1|340 songs%1|0 songs%1");
        QTest::newRow("not loaded")
            << false << "" << QStringList() << QStringList(5, "Not Loaded").join(u'|')
            << "All|Laptop|Desktop|Matches|Unmatched";
        QTest::newRow("all shown") << true << "" << QStringList() << songs.arg("") << loaded;
        QTest::newRow("remembered pairs")
            << true << "" << QStringList{"P1 P1", "P3 P999"}
            << songs.arg("; 1 remembered pair applied, 1 not (a track is gone)") << loaded;
        QTest::newRow("filtered") << true << "Song 33" << QStringList()
                                  << "340 songs|340 songs|340 songs|Showing 11 of 340 songs|0 songs"
                                  << QString(loaded).replace("(340)|U", "(11/340)|U");
    }

    void statusAndTabCaptions() {
        auto [loaded, filter, pairs, status, captions] =
            LyFetch<bool, QString, QStringList, QString, QString>("loaded", "filter", "pairs",
                                                                  "status", "captions");
        TLySongListFixture fixture;
        QList<TLyLibraryTrack> tracks;
        for (int id = 1; id <= 340; ++id)
            tracks << (MakeLibraryTrack(id)
                       << TLyLibraryPair{"Persistent ID", "string", QStringLiteral("P%1").arg(id)});
        fixture.SetLibraries(tracks, tracks);
        fixture.Project().Options()->SetRememberedPairTexts(pairs);
        if (loaded) {
            fixture.Project().LoadLibraries();
            fixture.Settle();
        } else {
            fixture.Add(ReviewSongs());
        }
        TLySongMatchResult frame;
        QCOMPARE(frame.PageSongs()->tabText(0), QStringLiteral("---"));
        frame.resize(900, 600);
        frame.show();
        frame.SetMatchResult(&fixture.Result());
        fixture.Settle();
        frame.FrmMatchedSongs()->EdtFilter()->setText(filter);
        fixture.Settle();
        QStringList actualStatus, actualCaptions;
        for (int page = 0; page < TLySongMatchResult::kPageCount; ++page) {
            actualStatus << frame.List(TLySongMatchResult::TPage(page))->StatusBar()->text();
            actualCaptions << frame.PageSongs()->tabText(page);
        }
        QCOMPARE(actualStatus.join(u'|'), status);
        QCOMPARE(actualCaptions.join(u'|'), captions);
        frame.SetMatchResult(nullptr);
        QCOMPARE(frame.List(TLySongMatchResult::pgAll)->StatusBar()->text(), QString());
    }
};

QTEST_MAIN(TestLySongMatchResultList)
#include "tst_LySongMatchResultList.moc"
