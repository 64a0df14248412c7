// The main window: its enabled rules, the recent projects, dropped files, the close query, the
// reload question, the library pages' exports, how a failed run is shown, and notices.
#include "LyDataRows.h"
#include "LyProcessRecorder.h"
#include "LySongMatchResultFrame.h"
#include "LySongPageFrames.h"
#include "LyTimers.h"
#include "LyUserNotices.h"
#include "LyVersion.h"
#include "MainWindowFixture.h"
#include "VxShell.h"

#include <QDir>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <mutex>
#include <thread>

namespace {

using TPage = TLySongMatchResult::TPage;

void Drop(QWidget* window, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    // As a desktop delivers a drop: entering first, then dropping.
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &event);
    QCoreApplication::processEvents();
}

} // namespace

class TestLyMainWindow : public TLyMainWindowTest {
    Q_OBJECT
private Q_SLOTS:

    void enabledRules_data() {
        LyColumns<bool, bool, bool, int, QStringList>("project", "libraryTwo", "running", "page",
                                                      "enabled");
        const QStringList idle{"ActNewProject", "ActOpenProject", "ActSaveProject",
                               "ActSaveProjectAs", "ActEditProjectProperties"};
        const QStringList loaded = idle + QStringList{"ActDeleteProject", "ActLoadLibraries",
                                                      "ActMatchSongs", "ActSynchronizeAll"};
        const QStringList exports = loaded + QStringList{"ActExportToFile", "ActExportToITunes"};
        LyRow("first start", false, false, false, int(TPage::pgAll), idle);
        LyRow("library missing", true, false, false, int(TPage::pgOne),
              idle + QStringList{"ActDeleteProject"});
        LyRow("loaded, all", true, true, false, int(TPage::pgAll), loaded);
        LyRow("loaded, one", true, true, false, int(TPage::pgOne), exports);
        LyRow("loaded, two", true, true, false, int(TPage::pgTwo), exports);
        LyRow("loaded, matched", true, true, false, int(TPage::pgMatched), loaded);
        LyRow("loaded, unmatched", true, true, false, int(TPage::pgUnmatched), loaded);
        LyRow("running", true, true, true, int(TPage::pgOne), QStringList{"ActSaveProjectAs"});
    }

    void enabledRules() {
        auto [project, libraryTwo, running, page, enabled] =
            LyFetch<bool, bool, bool, int, QStringList>("project", "libraryTwo", "running", "page",
                                                        "enabled");
        TLyDialogScript script;
        TLyTempFolder folder;
        auto window = OpenMainWindow(
            project ? WriteProject(folder, QStringLiteral("p.xml"), libraryTwo) : QString());
        window->FrmSongMatchResult()->SetCurrentPage(TPage(page));
        std::unique_ptr<TLyBlockingRun> run;
        if (running)
            run =
                std::make_unique<TLyBlockingRun>(window->Project(), QStringLiteral("Match Songs"));
        window->UpdateActions();
        // Show Project Folder, Exit, Help and About are always available.
        enabled << "ActShowProjectFolder"
                << "ActFileExit"
                << "ActHelpHelp"
                << "ActHelpAbout";
        QStringList actual;
        for (const char* name :
             {"ActNewProject", "ActOpenProject", "ActSaveProject", "ActSaveProjectAs",
              "ActDeleteProject", "ActEditProjectProperties", "ActLoadLibraries", "ActMatchSongs",
              "ActSynchronizeAll", "ActExportToFile", "ActExportToITunes", "ActShowProjectFolder",
              "ActFileExit", "ActHelpHelp", "ActHelpAbout"})
            if (window->findChild<QAction*>(QLatin1String(name))->isEnabled())
                actual << name;
        std::sort(actual.begin(), actual.end());
        std::sort(enabled.begin(), enabled.end());
        QCOMPARE(actual, enabled);
    }

    void loadRuleChecksFilesOnlyNowAndThen() {
        TLyDialogScript script;
        TLyTempFolder folder;
        TLyManualTimers timers;
        auto window = OpenMainWindow(WriteProject(folder, QStringLiteral("p.xml")));
        window->UpdateActions();
        QVERIFY(window->ActLoadLibraries->isEnabled());
        QFile::remove(window->Project()->Options()->LibraryTwo()->InputPath());
        window->UpdateActions();
        QVERIFY(window->ActLoadLibraries->isEnabled()); // the rule itself reads no disk
        timers.Advance(1000);
        window->UpdateActions();
        QVERIFY(!window->ActLoadLibraries->isEnabled());
    }

    void recentProjectMissing() {
        TLyDialogScript script;
        TLyTempFolder folder;
        const QString first = WriteProject(folder, QStringLiteral("first.xml"));
        const QString second = WriteProject(folder, QStringLiteral("second.xml"));
        const QString third = WriteProject(folder, QStringLiteral("third.xml"));
        auto window = OpenMainWindow(first);
        window->OpenProjectFile(second);
        SettleMainWindow(*window);
        window->OpenProjectFile(third);
        SettleMainWindow(*window);
        QCOMPARE(MenuTexts(window->MnuRecentProjects()), (QStringList{third, second, first}));
        QVERIFY(QFile::remove(second));
        window->MnuRecentProjects()->actions().at(1)->trigger();
        QCoreApplication::processEvents();
        const QString message =
            second + QStringLiteral(" does not exist. (entry was removed from menu)");
        QCOMPARE(script.Messages(), QStringList{u'[' + message.left(second.size()) + u']' +
                                                message.mid(second.size())});
        QVERIFY(LoggedForUser(script.Messages().value(0), mtError));
        QCOMPARE(MenuTexts(window->MnuRecentProjects()), (QStringList{third, first}));
        QCOMPARE(window->Project()->Options()->GetFileName(), third);
    }

    void drop_data() {
        // files: "lib", "text", "remote", "missing"; one, two: indexes into the dropped files of
        // the new input paths, -1 for unchanged.
        LyColumns<QStringList, int, bool, QList<int>, QString, QString, int, int>(
            "files", "page", "modified", "answers", "message", "warning", "one", "two");
        const int all = TPage::pgAll, pageTwo = TPage::pgTwo;
        const int yes = QMessageBox::Yes, no = QMessageBox::No, ok = QMessageBox::Ok,
                  cancel = QMessageBox::Cancel, accept = QDialog::Accepted,
                  reject = QDialog::Rejected;
        auto row = [](const char* name, const QStringList& files, int page, bool modified,
                      const QList<int>& answers, int one, int two, const char* message = "",
                      const char* warning = "") {
            LyRow(name, files, page, modified, answers, message, warning, one, two);
        };
        row("none", {"text", "remote", "missing"}, all, false, {}, -1, -1,
            "None of the 3 files appear to be valid iTunes libraries.");
        row("one, all page", {"text", "lib"}, all, false, {ok}, 1, -1);
        row("one, page two", {"lib"}, pageTwo, false, {ok}, -1, 0);
        row("one, cancelled", {"lib"}, all, false, {cancel}, -1, -1);
        row("two", {"lib", "remote", "lib"}, pageTwo, false, {accept}, 0, 2);
        row("two, cancelled", {"lib", "lib"}, all, false, {reject}, -1, -1);
        row("three", {"lib", "text", "lib", "lib"}, all, false, {accept}, 0, 2, "",
            "4 files were dropped, but only 2 used.");
        row("unexported, kept", {"lib", "lib"}, all, true, {no}, -1, -1);
        row("unexported, dropped", {"lib", "lib"}, all, true, {yes, accept}, 0, 1);
    }

    void drop() {
        const auto [files, page, modified, answers, message, warning, one, two] =
            LyFetch<QStringList, int, bool, QList<int>, QString, QString, int, int>(
                "files", "page", "modified", "answers", "message", "warning", "one", "two");
        TLyDialogScript script;
        TLyTempFolder folder;
        auto window = OpenMainWindow(WriteProject(folder, QStringLiteral("p.xml")));
        window->FrmSongMatchResult()->SetCurrentPage(TPage(page));
        window->Project()->SetModified(modified);
        TLyProjectOptions* options = window->Project()->Options();
        const QString oldOne = options->LibraryOne()->InputPath();
        const QString oldTwo = options->LibraryTwo()->InputPath();
        QList<QUrl> urls;
        for (int index = 0; index < files.size(); ++index) {
            const QString name = QStringLiteral("drop%1.xml").arg(index);
            if (files[index] == u"lib")
                urls << QUrl::fromLocalFile(WriteLibrary(folder, name, 1));
            else if (files[index] == u"text")
                urls << QUrl::fromLocalFile(folder.WriteFile(name, "plain words\n<?xml"));
            else if (files[index] == u"remote")
                urls << QUrl(QStringLiteral("https://example.org/") + name);
            else
                urls << QUrl::fromLocalFile(folder.FilePath(name));
        }
        for (int answer : answers)
            script.Add(answer);
        Drop(window.get(), urls);
        SettleMainWindow(*window);
        QCOMPARE(script.Messages(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(LoggedForUser(warning, mtWarning), !warning.isEmpty());
        QCOMPARE(options->LibraryOne()->InputPath(), one < 0 ? oldOne : urls[one].toLocalFile());
        QCOMPARE(options->LibraryTwo()->InputPath(), two < 0 ? oldTwo : urls[two].toLocalFile());
        if (files.count(QStringLiteral("lib")) == 1) {
            const QString name = page == TLySongMatchResult::pgTwo ? QStringLiteral("Desktop")
                                                                   : QStringLiteral("Laptop");
            QCOMPARE(
                script.Requests().last().Text,
                QStringLiteral("Are you sure you want to change the library for \"%1\" to this "
                               "file?\r\n\r\n  %2")
                    .arg(name,
                         QDir::toNativeSeparators(urls[files.indexOf(u"lib")].toLocalFile())));
        }
    }

    void closeQuery_data() {
        LyColumns<bool, QString, QList<int>, int, bool>("modified", "running", "answers",
                                                        "questions", "closed");
        const int yes = QMessageBox::Yes, no = QMessageBox::No;
        LyRow("nothing to lose", false, "", QList<int>{}, 0, true);
        LyRow("unexported, stay", true, "", QList<int>{no}, 1, false);
        LyRow("unexported, exit", true, "", QList<int>{yes}, 1, true);
        LyRow("export runs, stay", false, "Store Libraries", QList<int>{no}, 1, false);
        LyRow("export runs, exit", false, "Store Libraries", QList<int>{yes}, 1, true);
        LyRow("replace runs, exit", false, "Replace iTunes Library", QList<int>{yes}, 1, true);
        LyRow("match runs", false, "Match Songs", QList<int>{}, 0, true);
    }

    void closeQuery() {
        const auto [modified, running, answers, questions, closed] =
            LyFetch<bool, QString, QList<int>, int, bool>("modified", "running", "answers",
                                                          "questions", "closed");
        TLyDialogScript script;
        for (int answer : answers)
            script.Add(answer);
        TLyTempFolder folder;
        auto window = OpenMainWindow(WriteProject(folder, QStringLiteral("p.xml")));
        window->Project()->SetModified(modified);
        std::unique_ptr<TLyBlockingRun> run;
        if (!running.isEmpty())
            run = std::make_unique<TLyBlockingRun>(window->Project(), running);
        window->show();
        QCOMPARE(window->close(), closed);
        QCOMPARE(script.Requests().size(), questions);
        if (!running.isEmpty() && running != u"Match Songs")
            QCOMPARE(window->Project()->Process()->Running(), !closed); // asked, then cancelled
    }

    // A reload throws away the hand changes, so it waits for the user's Yes.
    void reloadAsksFirst_data() {
        LyColumns<QString, int, int>("action", "answer", "loads");
        const int yes = QMessageBox::Yes, no = QMessageBox::No;
        LyRow("properties, reload", "ActEditProjectProperties", yes, 1);
        LyRow("properties, keep", "ActEditProjectProperties", no, 0);
        LyRow("load, reload", "ActLoadLibraries", yes, 1);
        LyRow("load, keep", "ActLoadLibraries", no, 0);
    }

    void reloadAsksFirst() {
        const auto [action, answer, loads] =
            LyFetch<QString, int, int>("action", "answer", "loads");
        TLyDialogScript script;
        TLyTempFolder folder;
        auto window = OpenMainWindow(WriteProject(folder, QStringLiteral("p.xml")));
        QVERIFY(window->Project()->IsLoaded());
        if (action == u"ActEditProjectProperties")
            script.Add(QDialog::Accepted);
        script.Add(answer);
        QAction* act = window->findChild<QAction*>(action);
        QVERIFY(act);
        TRunRecorder runs;
        window->Project()->Listeners()->AddListener(&runs);
        act->trigger();
        SettleMainWindow(*window);
        window->Project()->Listeners()->RemoveListener(&runs);
        QCOMPARE(runs.MainStepCounts.size(), loads);
        // The last thing asked is the reload question (a missing request fails, not crashes).
        QCOMPARE(script.Requests().value(script.Requests().size() - 1).Kind,
                 TLyDialogRequest::Question);
    }

    // Each library page's export asks where to write its own library.
    void libraryPagesExportTheirOwnLibrary() {
        TLyDialogScript script;
        TLyTempFolder folder;
        auto window = OpenMainWindow(WriteProject(folder, QStringLiteral("p.xml")));
        TLySongMatchResult* frame = window->FrmSongMatchResult();
        Q_EMIT frame->FrmOneSongs()->ExportToFileRequested(0);
        Q_EMIT frame->FrmTwoSongs()->ExportToFileRequested(1);
        QStringList titles;
        for (const TLyDialogRequest& request : script.Requests())
            titles << request.Title;
        QCOMPARE(titles, (QStringList{"Save Laptop to...", "Save Desktop to..."}));
    }

    void failureShownAfterNotification() {
        TLyDialogScript script;
        TLyTempFolder folder;
        auto window = OpenMainWindow(WriteProject(folder, QStringLiteral("p.xml")));
        // Listens after the window: sees what the window did inside the same notification.
        struct TWatch : TLyProcessListener {
            TLyDialogScript* Script;
            qsizetype AtFailure = -1;
            void TaskFailed(ILyProcessTask*) override { AtFailure = Script->Requests().size(); }
        } watch;
        watch.Script = &script;
        window->Project()->Listeners()->AddListener(&watch);
        TLyProcess* process = window->Project()->Process();
        process->Start(QStringLiteral("Match Songs"), [process](TVxPausableThread&) {
            process->StartMainTask(1, QStringLiteral("Matching Songs..."));
            throw ELyProjectError(QStringLiteral("Library [x] is broken."));
        });
        window->Project()->Process()->WaitFor();
        QCOMPARE(watch.AtFailure, 0);
        QCoreApplication::processEvents();
        QCOMPARE(script.Messages(), QStringList{"Library [x] is broken."});
        QVERIFY(window->cursor().shape() != Qt::BusyCursor);
        window->Project()->Listeners()->RemoveListener(&watch);
    }

    void userNoticesReachStatusBar() {
        TLyDialogScript script;
        LogMessage(QStringLiteral("before the window"), QStringLiteral("System"), mtWarning);
        auto window = OpenMainWindow();
        LogMessage(QStringLiteral("for the log only"), QStringLiteral("Default"), mtWarning);
        LogMessage(QStringLiteral("only information"), QStringLiteral("System"), mtInfo);
        std::thread([] {
            LogMessage(QStringLiteral("from a worker"), QStringLiteral("System"), mtError);
        }).join();
        QCoreApplication::processEvents();
        TLyUserNotices* notices = window->UserNotices();
        QVERIFY(notices->Notices().contains(QStringLiteral("before the window")));
        QVERIFY(notices->Notices().contains(QStringLiteral("from a worker")));
        QVERIFY(!notices->Notices().contains(QStringLiteral("for the log only")));
        QVERIFY(!notices->Notices().contains(QStringLiteral("only information")));
        QVERIFY(!notices->isHidden());
        notices->click();
        QCOMPARE(script.Requests().size(), 1);
        QCOMPARE(script.Requests().value(0).Kind, TLyDialogRequest::Modal);
        QVERIFY(notices->isHidden());
    }
};

QTEST_MAIN(TestLyMainWindow)
#include "tst_LyMainWindow.moc"
