// The song pages: the Show shortcuts wherever the focus is in the page, the enabled rules over
// the states of view and project, the filter box, Load and the exports, and the menus' order
// with the owner's actions.
#include "LyDataRows.h"
#include "LyDialogs.h"
#include "LySongListTree.h"
#include "LySongPageFrames.h"
#include "LyView.h"
#include "SongListFixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>

namespace {

// The captions of a menu's or tool bar's items in order, "-" for a separator, submenus in
// brackets.
QString ItemsText(const QWidget* menu) {
    QStringList items;
    for (const QAction* action : menu->actions())
        items << (action->isSeparator() ? QStringLiteral("-")
                  : action->menu()
                      ? action->text() + QStringLiteral(" [") + ItemsText(action->menu()) + u']'
                      : action->text());
    return items.join(QStringLiteral(" | "));
}

} // namespace

class TestLySongPages : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { VxThreadsStartup(); }
    void cleanupTestCase() { VxThreadsShutdown(); }

    void enabledRules_data() {
        // Steps in order: loaded, filter (a filter text), entryN (choose entry N), window (the view
        // of a match window's result), noview, refreshing, running (the project's process), frozen.
        LyColumns<QString, QString, QString>("page", "state", "enabled");
        auto row = [](const char* page, const char* state, const char* enabled) {
            QTest::addRow("%s: %s", page, state) << page << state << enabled;
        };
        row("All", "", "ActLoadLibraries");
        row("All", "noview", "");
        row("All", "filter", "ActClearFilter ActLoadLibraries");
        row("All", "filter refreshing", "ActLoadLibraries");
        row("All", "filter running", "ActClearFilter");
        row("All", "filter frozen", "ActClearFilter ActLoadLibraries");
        row("All", "window", "");
        row("One", "", "");
        row("One", "loaded", "ActExportToFile ActExportToITunes");
        row("One", "loaded entry2", "ActExportToFile ActExportToITunes ActShowAll");
        row("One", "loaded entry2 running", "ActShowAll");
        row("One", "loaded window", "");
        row("Matches", "entry5", "ActShowAll");
        row("Unmatched", "", "ActShowOneOnly ActShowTwoOnly");
        row("Unmatched", "filter entry1", "ActClearFilter ActShowAll ActShowTwoOnly");
        row("Unmatched", "entry2 refreshing", "");
        row("Unmatched", "entry2 frozen", "ActShowAll ActShowOneOnly");
        row("Unmatched", "noview", "");
    }

    void enabledRules() {
        const auto [page, state, enabled] =
            LyFetch<QString, QString, QString>("page", "state", "enabled");
        TLySongListFixture fixture;
        fixture.SetLibraries({MakeLibraryTrack(1)}, {MakeLibraryTrack(1)});
        const QStringList steps = state.split(u' ', Qt::SkipEmptyParts);
        if (steps.contains(u"loaded")) {
            fixture.Project().LoadLibraries();
            fixture.Settle();
        } else {
            fixture.Add(RepresentativeSongs());
        }
        TLyMatchResult window(&fixture.Project(), &fixture.Result(),
                              fixture.Result().ViewOptions());
        auto frame = fixture.ShowPage(page);
        std::unique_ptr<TLyBlockingRun> run;
        for (const QString& step : steps) {
            if (step == u"filter")
                frame->EdtFilter()->setText(QStringLiteral("e"));
            else if (step.startsWith(u"entry"))
                frame->ChooseFilter(step.mid(5).toInt());
            else if (step == u"window")
                frame->SetView(window.View(page));
            else if (step == u"noview")
                frame->SetView(nullptr);
            else if (step == u"refreshing")
                frame->View()->RequestRefresh();
            else if (step == u"running")
                run = std::make_unique<TLyBlockingRun>(&fixture.Project(), "Held");
            else if (step == u"frozen")
                fixture.Result().BeginUpdate();
            if (step != u"refreshing" && step != u"running" && step != u"frozen") {
                window.View(page)->Process()->WaitFor();
                fixture.Settle();
            }
        }
        frame->UpdateActions();
        QStringList actual;
        for (const QAction* action : frame->findChildren<QAction*>())
            if (action->isEnabled() && action->objectName().startsWith(u"Act"))
                actual << action->objectName();
        actual.sort();
        run.reset();
        if (steps.contains(u"frozen"))
            fixture.Result().EndUpdate();
        fixture.Settle();
        frame->SetView(nullptr);
        QCOMPARE(actual.join(u' '), enabled);
    }

    void enabledRulesRunWhenTheLoopGoesIdle() {
        TLySongListFixture fixture;
        auto frame = fixture.ShowPage(QStringLiteral("Unmatched"));
        RunUntilIdle();
        QVERIFY(!frame->ActShowAll()->isEnabled());
        // A change that no signal of the page reports: the next idle turn shows it.
        fixture.View(QStringLiteral("Unmatched"))
            ->Options()
            ->SetFilterOptions({sfgUnmatched, sfgTwo});
        QVERIFY(!frame->ActShowAll()->isEnabled());
        RunUntilIdle();
        QVERIFY(frame->ActShowAll()->isEnabled());
        QVERIFY(!frame->ActShowTwoOnly()->isEnabled());
    }

    void filterBoxFollowsTyping() {
        TLySongListFixture fixture;
        fixture.Add(RepresentativeSongs());
        auto frame = fixture.ShowPage(QStringLiteral("All"));
        TLyView* view = fixture.View(QStringLiteral("All"));
        // Key by key, without waiting: each key's refresh replaces the one before.
        QTest::keyClicks(frame->EdtFilter(), QStringLiteral("edit"));
        QCOMPARE(view->Filter().Text, QStringLiteral("edit"));
        fixture.Settle();
        QCOMPARE(ColumnTexts(*frame->FrmSongList()), QStringList({"Both edited", "Edited"}));
        // A finished refresh leaves the box as the user left it, cursor included.
        frame->EdtFilter()->setCursorPosition(1);
        view->RequestRefresh();
        fixture.Settle();
        QCOMPARE(frame->EdtFilter()->cursorPosition(), 1);
        // A text set elsewhere shows when the refresh ends; Clear Filter empties both.
        view->Options()->SetFilterText(QStringLiteral("alpha"));
        view->RequestRefresh();
        fixture.Settle();
        QCOMPARE(frame->EdtFilter()->text(), QStringLiteral("alpha"));
        frame->UpdateActions();
        frame->ActClearFilter()->trigger();
        QCOMPARE(view->Options()->FilterText(), QString());
    }

    void libraryActions_data() {
        // exportedSide -1: no export asked for
        LyColumns<QString, bool, int, int, bool, int>("page", "loaded", "answer", "questions",
                                                      "reloaded", "exportedSide");
        LyRow("load, not loaded", "All", false, 0, 0, true, -1);
        LyRow("reload, yes", "All", true, int(QMessageBox::Yes), 1, true, -1);
        LyRow("reload, no", "All", true, int(QMessageBox::No), 1, false, -1);
        LyRow("export Two", "Two", true, 0, 0, false, 1);
        LyRow("export, not loaded", "Two", false, 0, 0, false, -1);
    }

    void libraryActions() {
        const auto [page, loaded, answer, questions, reloaded, exportedSide] =
            LyFetch<QString, bool, int, int, bool, int>("page", "loaded", "answer", "questions",
                                                        "reloaded", "exportedSide");
        TLySongListFixture fixture;
        fixture.SetLibraries({MakeLibraryTrack(1)}, {MakeLibraryTrack(1)});
        if (loaded) {
            fixture.Project().LoadLibraries();
            fixture.Settle();
        }
        fixture.Project().SetModified(true); // a load clears it: it tells whether one ran
        auto frame = fixture.ShowPage(page);
        frame->UpdateActions();
        TLyDialogAnswers answers([&](const TLyDialogRequest&) {
            return TLyDialogAnswer{answer, {}};
        });
        QList<int> exported;
        if (auto* library = qobject_cast<TLyLibrarySongs*>(frame.get())) {
            connect(library, &TLyLibrarySongs::ExportToFileRequested, this,
                    [&](int s) { exported << s; });
            connect(library, &TLyLibrarySongs::ExportToITunesRequested, this,
                    [&](int s) { exported << s; });
            library->ActExportToFile()->trigger();
            library->ActExportToITunes()->trigger();
        } else {
            static_cast<TLyAllSongs*>(frame.get())->ActLoadLibraries()->trigger();
        }
        fixture.Settle();
        QCOMPARE(answers.Requests.size(), questions);
        QCOMPARE(!fixture.Project().Modified(), reloaded);
        QCOMPARE(exported, QList<int>(exportedSide < 0 ? 0 : 2, exportedSide)); // file, iTunes
    }

    void showShortcuts_data() {
        LyColumns<QString, bool, int, int, int>("page", "inFilterBox", "from", "key", "expected");
        const int all = Qt::Key_A, one = Qt::Key_1, two = Qt::Key_2;
        LyRow("unmatched, list: one only", "Unmatched", false, 0, one, 1);
        LyRow("unmatched, list: all", "Unmatched", false, 2, all, 0);
        LyRow("unmatched, box: two only", "Unmatched", true, 0, two, 2);
        LyRow("unmatched, box: all", "Unmatched", true, 1, all, 0);
        LyRow("library, list: all", "Two", false, 4, all, 0);
        LyRow("library, box: no one only", "One", true, 3, one, 3);
        LyRow("matched, box: all", "Matches", true, 2, all, 0);
    }

    void showShortcuts() {
        const auto [page, inFilterBox, from, key, expected] =
            LyFetch<QString, bool, int, int, int>("page", "inFilterBox", "from", "key", "expected");
        TLySongListFixture fixture;
        fixture.Add(RepresentativeSongs());
        auto frame = fixture.ShowPage(page);
        frame->ChooseFilter(from);
        frame->EdtFilter()->setText(QStringLiteral("o"));
        fixture.Settle();
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame.get()));
        QWidget* focus = inFilterBox ? static_cast<QWidget*>(frame->EdtFilter())
                                     : frame->FrmSongList()->TreeSongs();
        focus->setFocus();
        RunUntilIdle();
        QTest::keyClick(focus, Qt::Key(key), Qt::ControlModifier | Qt::ShiftModifier);
        fixture.Settle();
        QCOMPARE(frame->CmbFilter()->currentIndex(), expected);
        QCOMPARE(frame->EntryInForce(), expected);
    }
    void menus_data() {
        LyColumns<QString, bool, QString, QString>("page", "contributed", "menu", "toolBar");
        const QString use =
            QStringLiteral("&Toggle Exported | - | Use Laptop && Co [&Name | &Artist] "
                           "| Use Desktop [&Name | &Artist] | &Edit [&Name] | ");
        const QString end =
            QStringLiteral(" | - | Clear &Filter | Toggle Song &Info | &Set Defaults...");
        const QString sync =
            QStringLiteral("S&ynchronize... | Synchronize A&ll... | &Revert | Revert &All");
        LyRow("all", "All", true,
              use + "&Combine | &Split | - | " + sync + " | &Match... | Matc&h All" + end,
              "Revert &All | &Revert | &Load Libraries");
        LyRow("library", "Two", true, use + "&Combine | &Split | - | " + sync + end,
              "Export to &ITunes... | &Export to File...");
        LyRow("matched", "Matches", true, use + "&Split | - | " + sync + end,
              "S&ynchronize... | Synchronize A&ll... | &Revert");
        LyRow("unmatched", "Unmatched", true,
              "&Toggle Exported | - | &Split | &Combine | - | &Match... | Matc&h All" + end,
              "&Match... | Matc&h All");
        // Without the owner's actions no separator stands at an end or next to another.
        LyRow("unmatched, own actions only", "Unmatched", false,
              "&Toggle Exported | - | Clear &Filter", "");
    }

    void menus() {
        auto [page, contributed, menu, toolBar] =
            LyFetch<QString, bool, QString, QString>("page", "contributed", "menu", "toolBar");
        TLySongListFixture fixture;
        fixture.Project().Options()->LibraryOne()->SetName(QStringLiteral("Laptop & Co"));
        auto frame = fixture.ShowPage(page);
        QObject owner;
        auto action = [&](const char* caption) {
            return new QAction(caption, &owner);
        };
        // In an order of their own: the page puts them in place.
        const QList<std::pair<tLyPageItem, const char*>> single{
            {piSetAsDefaultView, "&Set Defaults..."},
            {piToggleSongInfo, "Toggle Song &Info"},
            {piMatchAll, "Matc&h All"},
            {piMatchSelected, "&Match..."},
            {piRevertAll, "Revert &All"},
            {piRevertSelected, "&Revert"},
            {piSynchronizeAll, "Synchronize A&ll..."},
            {piSynchronizeSelected, "S&ynchronize..."},
            {piSplit, "&Split"},
            {piCombine, "&Combine"}};
        if (contributed) {
            for (const auto& [item, caption] : single)
                frame->Contribute(item, {action(caption)});
            frame->Contribute(piEdit, {action("&Name")});
            frame->Contribute(piUseTwo, {action("&Name"), action("&Artist")});
            frame->Contribute(piUseOne, {action("&Name"), action("&Artist")});
        }
        QCOMPARE(ItemsText(frame->PopupMenu()), menu);
        QCOMPARE(ItemsText(frame->ToolBar()), toolBar);
        // Given again, an item's actions replace those given before, shortcuts included.
        QAction* split = frame->ItemActions(piSplit).value(0);
        frame->Contribute(piSplit, {action("&Split")});
        QCOMPARE(frame->actions().contains(split), false);
        QCOMPARE(ItemsText(frame->PopupMenu()),
                 contributed ? menu : menu.replace("- | C", "- | &Split | - | C"));
        if (auto* unmatched = qobject_cast<TLyUnmatchedSongs*>(frame.get()))
            QCOMPARE(ItemsText(unmatched->MnuBestMatches()), contributed ? "&Combine" : "");
    }
};

QTEST_MAIN(TestLySongPages)
#include "tst_LySongPages.moc"
