// The main window: its enabled rules, the recent projects, dropped files, the caption,
// the close query, how a failed run is shown, help, notices and geometry.
#include "ArMemoryMessageLog.h"
#include "LyProject.h"
#include "LySongMatchResultFrame.h"
#include "LyTimers.h"
#include "LyUserNotices.h"
#include "LyVersion.h"
#include "MainWindowFixture.h"
#include "VxShell.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QTabWidget>
#include <QTest>

#include <memory>
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
        QTest::addColumn<bool>("project");
        QTest::addColumn<bool>("libraryTwo");
        QTest::addColumn<bool>("running");
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("enabled");
        const QStringList idle{"ActNewProject", "ActOpenProject", "ActSaveProject",
                               "ActSaveProjectAs", "ActEditProjectProperties"};
        const QStringList loaded = idle + QStringList{"ActDeleteProject", "ActLoadLibraries",
                                                      "ActMatchSongs", "ActSynchronizeAll"};
        const QStringList exports{"ActExportToFile", "ActExportToITunes"};
        QTest::newRow("first start")
            << false << false << false << int(TLySongMatchResult::pgAll) << idle;
        QTest::newRow("library missing") << true << false << false << int(TLySongMatchResult::pgOne)
                                         << idle + QStringList{"ActDeleteProject"};
        QTest::newRow("loaded, all")
            << true << true << false << int(TLySongMatchResult::pgAll) << loaded;
        QTest::newRow("loaded, one")
            << true << true << false << int(TLySongMatchResult::pgOne) << loaded + exports;
        QTest::newRow("loaded, two")
            << true << true << false << int(TLySongMatchResult::pgTwo) << loaded + exports;
        QTest::newRow("loaded, matched")
            << true << true << false << int(TLySongMatchResult::pgMatched) << loaded;
        QTest::newRow("loaded, unmatched")
            << true << true << false << int(TLySongMatchResult::pgUnmatched) << loaded;
        QTest::newRow("running") << true << true << true << int(TLySongMatchResult::pgOne)
                                 << QStringList{"ActSaveProjectAs"};
    }

    void enabledRules() {
        QFETCH(bool, project);
        QFETCH(bool, libraryTwo);
        QFETCH(bool, running);
        QFETCH(int, page);
        QFETCH(QStringList, enabled);
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
        const QStringList rules{"ActNewProject",    "ActOpenProject",   "ActSaveProject",
                                "ActSaveProjectAs", "ActDeleteProject", "ActEditProjectProperties",
                                "ActLoadLibraries", "ActMatchSongs",    "ActSynchronizeAll",
                                "ActExportToFile",  "ActExportToITunes"};
        QStringList actual;
        for (const QString& name : rules)
            if (window->findChild<QAction*>(name)->isEnabled())
                actual << name;
        QStringList expected = enabled;
        std::sort(actual.begin(), actual.end());
        std::sort(expected.begin(), expected.end());
        QCOMPARE(actual, expected);
        // Always available.
        for (const char* name :
             {"ActShowProjectFolder", "ActFileExit", "ActHelpHelp", "ActHelpAbout"})
            QVERIFY2(window->findChild<QAction*>(QLatin1String(name))->isEnabled(), name);
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

    void caption_data() {
        QTest::addColumn<bool>("prerelease");
        QTest::addColumn<QString>("caption");
        QTest::newRow("release") << false << "Lyrabridge 2.1 - /home/a/Music & more.xml";
        QTest::newRow("pre-release") << true << "Lyrabridge 2.1 Beta - /home/a/Music & more.xml";
    }

    void caption() {
        QFETCH(bool, prerelease);
        QFETCH(QString, caption);
        QCOMPARE(TLyProjectMainForm::Caption(QStringLiteral("Lyrabridge"), QStringLiteral("2.1"),
                                             prerelease,
                                             QStringLiteral("/home/a/Music & more.xml")),
                 caption);
        TLyDialogScript script;
        TLyTempFolder folder;
        const QString file = WriteProject(folder, QStringLiteral("p.xml"));
        auto window = OpenMainWindow(file);
        QCOMPARE(window->windowTitle(),
                 TLyProjectMainForm::Caption(QString::fromUtf8(kLyProductName),
                                             QString::fromUtf8(kLyVersion), kLyPrerelease, file));
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
        QTest::addColumn<QStringList>("files"); // "lib", "text", "remote", "missing"
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("modified");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("warning");
        // Indexes into the dropped files of the new input paths, -1 for unchanged.
        QTest::addColumn<int>("one");
        QTest::addColumn<int>("two");
        const int all = TLySongMatchResult::pgAll;
        const int two = TLySongMatchResult::pgTwo;
        const int yes = QMessageBox::Yes, no = QMessageBox::No, ok = QMessageBox::Ok,
                  cancel = QMessageBox::Cancel, accept = QDialog::Accepted,
                  reject = QDialog::Rejected;
        QTest::newRow("none") << QStringList{"text", "remote", "missing"} << all << false
                              << QList<int>{}
                              << "None of the 3 files appear to be valid iTunes "
                                 "libraries."
                              << QString() << -1 << -1;
        QTest::newRow("one, all page") << QStringList{"text", "lib"} << all << false
                                       << QList<int>{ok} << QString() << QString() << 1 << -1;
        QTest::newRow("one, page two") << QStringList{"lib"} << two << false << QList<int>{ok}
                                       << QString() << QString() << -1 << 0;
        QTest::newRow("one, cancelled") << QStringList{"lib"} << all << false << QList<int>{cancel}
                                        << QString() << QString() << -1 << -1;
        QTest::newRow("two") << QStringList{"lib", "remote", "lib"} << two << false
                             << QList<int>{accept} << QString() << QString() << 0 << 2;
        QTest::newRow("two, cancelled") << QStringList{"lib", "lib"} << all << false
                                        << QList<int>{reject} << QString() << QString() << -1 << -1;
        QTest::newRow("three") << QStringList{"lib", "text", "lib", "lib"} << all << false
                               << QList<int>{accept} << QString()
                               << "4 files were dropped, but only 2 used." << 0 << 2;
        QTest::newRow("unexported, kept") << QStringList{"lib", "lib"} << all << true
                                          << QList<int>{no} << QString() << QString() << -1 << -1;
        QTest::newRow("unexported, dropped")
            << QStringList{"lib", "lib"} << all << true << QList<int>{yes, accept} << QString()
            << QString() << 0 << 1;
    }

    void drop() {
        QFETCH(QStringList, files);
        QFETCH(int, page);
        QFETCH(bool, modified);
        QFETCH(QList<int>, answers);
        QFETCH(QString, message);
        QFETCH(QString, warning);
        QFETCH(int, one);
        QFETCH(int, two);
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
        QTest::addColumn<bool>("modified");
        QTest::addColumn<QString>("running");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<int>("questions");
        QTest::addColumn<bool>("closed");
        const int yes = QMessageBox::Yes, no = QMessageBox::No;
        QTest::newRow("nothing to lose") << false << QString() << QList<int>{} << 0 << true;
        QTest::newRow("unexported, stay") << true << QString() << QList<int>{no} << 1 << false;
        QTest::newRow("unexported, exit") << true << QString() << QList<int>{yes} << 1 << true;
        QTest::newRow("export runs, stay")
            << false << "Store Libraries" << QList<int>{no} << 1 << false;
        QTest::newRow("export runs, exit")
            << false << "Store Libraries" << QList<int>{yes} << 1 << true;
        QTest::newRow("replace runs, exit")
            << false << "Replace iTunes Library" << QList<int>{yes} << 1 << true;
        QTest::newRow("match runs") << false << "Match Songs" << QList<int>{} << 0 << true;
    }

    void closeQuery() {
        QFETCH(bool, modified);
        QFETCH(QString, running);
        QFETCH(QList<int>, answers);
        QFETCH(int, questions);
        QFETCH(bool, closed);
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

    void helpOpensWhatIsThere_data() {
        QTest::addColumn<bool>("helpFile");
        QTest::addColumn<bool>("guide");
        QTest::addColumn<QString>("opened"); // "help", "guide" or "" for the message
        QTest::newRow("both") << true << true << "help";
        QTest::newRow("guide only") << false << true << "guide";
        QTest::newRow("neither") << false << false << QString();
    }

    void helpOpensWhatIsThere() {
        QFETCH(bool, helpFile);
        QFETCH(bool, guide);
        QFETCH(QString, opened);
        TLyDialogScript script;
        TLyTempFolder folder;
        const QString help = folder.FilePath(QStringLiteral("Lyrabridge.chm"));
        const QString start = folder.FilePath(QStringLiteral("guide/index.html"));
        if (helpFile)
            folder.WriteFile(QStringLiteral("Lyrabridge.chm"), "help");
        if (guide)
            folder.WriteFile(QStringLiteral("guide/index.html"), "<html></html>");
        QStringList requests;
        std::mutex lock;
        TVxFileOpener previous = SetFileOpener([&](const QString& file, QObject*) {
            std::lock_guard guard(lock);
            requests << file;
        });
        auto window = OpenMainWindow();
        window->SetHelpFiles({help, start});
        window->ActHelpHelp->trigger();
        QVERIFY(WaitForOpenFileThreads(5000));
        SetFileOpener(previous);
        const QStringList expected = opened == u"help"    ? QStringList{help}
                                     : opened == u"guide" ? QStringList{start}
                                                          : QStringList();
        QCOMPARE(requests, expected);
        QCOMPARE(script.Messages().size(), opened.isEmpty() ? 1 : 0);
        if (opened.isEmpty())
            QVERIFY(script.Messages().value(0).contains(start));
    }

    void geometry_data() {
        QTest::addColumn<QRect>("saved");
        QTest::addColumn<bool>("kept"); // else moved onto the screen
        QTest::newRow("on the screen") << QRect(40, 50, 500, 400) << true;
        QTest::newRow("on a screen that is gone") << QRect(5000, 4000, 500, 400) << false;
        QTest::newRow("left of every screen") << QRect(-3000, 50, 500, 400) << false;
        QTest::newRow("partly below the screen") << QRect(40, 350, 500, 400) << false;
    }

    void geometry() {
        QFETCH(QRect, saved);
        QFETCH(bool, kept);
        TLyDialogScript script;
        {
            auto window = OpenMainWindow();
            TLyWindowOptions* options = window->WindowOptions();
            options->SetLeft(saved.left());
            options->SetTop(saved.top());
            options->SetWidth(saved.width());
            options->SetHeight(saved.height());
            window->LoadWindowOptions();
            const QRect screen = window->screen()->availableGeometry();
            QCOMPARE(window->geometry().size(), saved.size());
            if (kept)
                QCOMPARE(window->geometry().topLeft(), saved.topLeft());
            else
                QVERIFY(screen.contains(window->geometry()));
            window->move(window->pos() + QPoint(7, 9));
            window->SaveWindowOptions();
            QCOMPARE(QPoint(options->Left(), options->Top()), window->geometry().topLeft());
        }
    }
};

QTEST_MAIN(TestLyMainWindow)
#include "tst_LyMainWindow.moc"
