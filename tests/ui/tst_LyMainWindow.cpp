// The main window: its menus and enabled rules, the recent projects, dropped files, the caption
// and the close query, and what it keeps safe (files of the user's it must not write, runs it
// must not drop silently, failures it must show).
#include "ArMemoryMessageLog.h"
#include "LibraryBuilders.h"
#include "LyDialogs.h"
#include "LyProject.h"
#include "LyProjectMainWindow.h"
#include "LySongMatchResultFrame.h"
#include "LySystem.h"
#include "LyTestHome.h"
#include "LyTimers.h"
#include "LyUserNotices.h"
#include "LyVersion.h"
#include "VxShell.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QTabWidget>
#include <QTest>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

namespace {

using TPage = TLySongMatchResult::TPage;

// Answers the windows' questions from a script: each request takes the next answer; without
// one a question gets Yes, a modal window OK and a file dialog Cancel.
class TScript {
public:
    TScript()
        : FAnswers([this](const TLyDialogRequest& request) { return Next(request); }) {}
    void Add(int button, const QString& path = {}) { FQueue.append({button, path}); }
    const QList<TLyDialogRequest>& Requests() const { return FAnswers.Requests; }
    QStringList Messages() const {
        QStringList texts;
        for (const TLyDialogRequest& request : FAnswers.Requests)
            if (request.Kind == TLyDialogRequest::Message)
                texts << request.Text;
        return texts;
    }

private:
    TLyDialogAnswer Next(const TLyDialogRequest& request) {
        if (!FQueue.isEmpty())
            return FQueue.takeFirst();
        if (request.Kind == TLyDialogRequest::Modal)
            return {QDialog::Accepted, {}};
        if (request.Kind == TLyDialogRequest::OpenFile ||
            request.Kind == TLyDialogRequest::SaveFile)
            return {QDialog::Rejected, {}};
        return {QMessageBox::Yes, {}};
    }
    QList<TLyDialogAnswer> FQueue;
    TLyDialogAnswers FAnswers;
};

QString LibraryXml(const TLyTempFolder& folder, const QString& name, int tracks) {
    QList<TLyLibraryTrack> list;
    for (int id = 1; id <= tracks; ++id)
        list << MakeLibraryTrack(id);
    return folder.WriteFile(name, MakeLibraryXml(list));
}

// A project file on two small libraries.
QString WriteProject(const TLyTempFolder& folder, const QString& name, bool withTwo = true) {
    TLyProjectOptions options;
    options.SetName(folder.FilePath(name));
    options.LibraryOne()->SetName(QStringLiteral("Laptop"));
    options.LibraryOne()->SetInputPath(LibraryXml(folder, name + QStringLiteral(".one.xml"), 3));
    options.LibraryTwo()->SetName(QStringLiteral("Desktop"));
    if (withTwo)
        options.LibraryTwo()->SetInputPath(
            LibraryXml(folder, name + QStringLiteral(".two.xml"), 2));
    options.Store();
    return options.GetFileName();
}

// The window after its project has settled and the work left for the event loop has run.
std::unique_ptr<TLyProjectMainForm> OpenWindow(const QString& projectFile = {}) {
    auto window = std::make_unique<TLyProjectMainForm>(projectFile);
    window->Project()->Process()->WaitFor();
    QCoreApplication::processEvents();
    return window;
}

void Settle(TLyProjectMainForm& window) {
    window.Project()->Process()->WaitFor();
    QCoreApplication::processEvents();
    window.UpdateActions();
}

// Holds the project's process running until released; a cancel ends it.
class TBlockingRun {
public:
    TBlockingRun(TLyProject* project, const QString& name)
        : FProject(project) {
        FProject->Process()->Start(name, [this, name](TVxPausableThread&) {
            FProject->Process()->StartMainTask(1, name);
            while (!FRelease.load()) {
                FProject->Process()->CheckCancelled();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        while (!FProject->Process()->Running())
            QCoreApplication::processEvents();
    }
    ~TBlockingRun() {
        FRelease.store(true);
        FProject->Process()->WaitFor();
    }

private:
    TLyProject* FProject;
    std::atomic<bool> FRelease{false};
};

QStringList MenuTexts(QMenu* menu) {
    QStringList texts;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator())
            texts << QStringLiteral("-");
        else if (action->shortcut().isEmpty())
            texts << action->text();
        else
            texts << action->text() + u'\t' + action->shortcut().toString();
    }
    return texts;
}

QList<TArLoggableMessageData> LoggedMessages() {
    auto* memory = dynamic_cast<TArMemoryMessageLog*>(GlobalMessageLog()->Logs().Item(0));
    return memory ? memory->Messages() : QList<TArLoggableMessageData>();
}

bool Logged(const QString& text, tArMessageType type) {
    for (const TArLoggableMessageData& message : LoggedMessages())
        if (message.Text == text && message.MessageType == type && message.Channel == u"System")
            return true;
    return false;
}

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

class TestLyMainWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<TLyTestHome> FHome;

private Q_SLOTS:
    void initTestCase() {
        FHome = std::make_unique<TLyTestHome>();
        LySystemStartup();
    }
    void cleanupTestCase() {
        LySystemShutdown();
        FHome.reset();
    }
    // Every test starts without preferences or projects.
    void init() { QDir(TLyBaseOptions::ProjectsFolder()).removeRecursively(); }

    void menusInOrder_data();
    void menusInOrder();
    void enabledRules_data();
    void enabledRules();
    void loadRuleChecksFilesOnlyNowAndThen();
    void caption_data();
    void caption();
    void recentProjectMissing();
    void drop_data();
    void drop();
    void closeQuery_data();
    void closeQuery();
    void failureShownAfterNotification();
    void deleteAsksAndStaysDeleted_data();
    void deleteAsksAndStaysDeleted();
    void startsOnDefaultWhenRecentIsGone();
    void unreadableProjectLeftAlone();
    void replacingUnexportedChangesAsks_data();
    void replacingUnexportedChangesAsks();
    void newProjectKeepsWhatWasEntered();
    void failingPreferencesStoreShown();
    void userNoticesReachStatusBar();
    void helpOpensWhatIsThere_data();
    void helpOpensWhatIsThere();
    void geometry_data();
    void geometry();
};

void TestLyMainWindow::menusInOrder_data() {
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("bar") << QString() << QStringList{"&File", "&Project", "&View", "&Help"};
    QTest::newRow("File") << "MnuFile" << QStringList{"&New...\tCtrl+N",      "&Open...\tCtrl+O",
                                                      "&Recent Projects",     "&Save\tCtrl+S",
                                                      "Save &As...",          "&Delete",
                                                      "&Properties...",       "-",
                                                      "Show &Project Folder", "-",
                                                      "E&xit\tCtrl+Q"};
    QTest::newRow("Project") << "MnuProject"
                             << QStringList{"&Load Libraries", "&Match All...",
                                            "S&ynchronize All...",
                                            "E&xport to File...\tCtrl+Shift+X",
                                            "Export to &iTunes...\tCtrl+Shift+I"};
    QTest::newRow("View") << "MnuView"
                          << QStringList{"Clear &Filter\tCtrl+Shift+F",
                                         "Toggle Song &Info",
                                         "&Set Defaults...",
                                         "&Reset to Defaults...",
                                         "-",
                                         "&Visible Columns",
                                         "S&ort By"};
    QTest::newRow("Help") << "MnuHelp" << QStringList{"&Help\tF1", "&About"};
}

void TestLyMainWindow::menusInOrder() {
    QFETCH(QString, menu);
    QFETCH(QStringList, items);
    TScript script;
    auto window = OpenWindow();
    if (menu.isEmpty()) {
        QStringList titles;
        for (QAction* action : window->menuBar()->actions())
            titles << action->text();
        QCOMPARE(titles, items);
    } else {
        auto* found = window->findChild<QMenu*>(menu);
        QVERIFY(found);
        QCOMPARE(MenuTexts(found), items);
    }
}

void TestLyMainWindow::enabledRules_data() {
    QTest::addColumn<bool>("project");
    QTest::addColumn<bool>("libraryTwo");
    QTest::addColumn<bool>("running");
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("enabled");
    const QStringList idle{"ActNewProject", "ActOpenProject", "ActSaveProject", "ActSaveProjectAs",
                           "ActEditProjectProperties"};
    const QStringList loaded = idle + QStringList{"ActDeleteProject", "ActLoadLibraries",
                                                  "ActMatchSongs", "ActSynchronizeAll"};
    const QStringList exports{"ActExportToFile", "ActExportToITunes"};
    QTest::newRow("first start") << false << false << false << int(TLySongMatchResult::pgAll)
                                 << idle;
    QTest::newRow("library missing") << true << false << false << int(TLySongMatchResult::pgOne)
                                     << idle + QStringList{"ActDeleteProject"};
    QTest::newRow("loaded, all") << true << true << false << int(TLySongMatchResult::pgAll)
                                 << loaded;
    QTest::newRow("loaded, one") << true << true << false << int(TLySongMatchResult::pgOne)
                                 << loaded + exports;
    QTest::newRow("loaded, two") << true << true << false << int(TLySongMatchResult::pgTwo)
                                 << loaded + exports;
    QTest::newRow("loaded, matched")
        << true << true << false << int(TLySongMatchResult::pgMatched) << loaded;
    QTest::newRow("loaded, unmatched")
        << true << true << false << int(TLySongMatchResult::pgUnmatched) << loaded;
    QTest::newRow("running") << true << true << true << int(TLySongMatchResult::pgOne)
                             << QStringList{"ActSaveProjectAs"};
}

void TestLyMainWindow::enabledRules() {
    QFETCH(bool, project);
    QFETCH(bool, libraryTwo);
    QFETCH(bool, running);
    QFETCH(int, page);
    QFETCH(QStringList, enabled);
    TScript script;
    TLyTempFolder folder;
    auto window =
        OpenWindow(project ? WriteProject(folder, QStringLiteral("p.xml"), libraryTwo) : QString());
    window->FrmSongMatchResult()->SetCurrentPage(TPage(page));
    std::unique_ptr<TBlockingRun> run;
    if (running)
        run = std::make_unique<TBlockingRun>(window->Project(), QStringLiteral("Match Songs"));
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
    for (const char* name : {"ActShowProjectFolder", "ActFileExit", "ActHelpHelp", "ActHelpAbout"})
        QVERIFY2(window->findChild<QAction*>(QLatin1String(name))->isEnabled(), name);
}

void TestLyMainWindow::loadRuleChecksFilesOnlyNowAndThen() {
    TScript script;
    TLyTempFolder folder;
    TLyManualTimers timers;
    auto window = OpenWindow(WriteProject(folder, QStringLiteral("p.xml")));
    QVERIFY(window->ActLoadLibraries->isEnabled() || (window->UpdateActions(), true));
    window->UpdateActions();
    QVERIFY(window->ActLoadLibraries->isEnabled());
    QFile::remove(window->Project()->Options()->LibraryTwo()->InputPath());
    window->UpdateActions();
    QVERIFY(window->ActLoadLibraries->isEnabled()); // the rule itself reads no disk
    timers.Advance(1000);
    window->UpdateActions();
    QVERIFY(!window->ActLoadLibraries->isEnabled());
}

void TestLyMainWindow::caption_data() {
    QTest::addColumn<bool>("prerelease");
    QTest::addColumn<QString>("caption");
    QTest::newRow("release") << false << "Lyrabridge 2.1 - /home/a/Music & more.xml";
    QTest::newRow("pre-release") << true << "Lyrabridge 2.1 Beta - /home/a/Music & more.xml";
}

void TestLyMainWindow::caption() {
    QFETCH(bool, prerelease);
    QFETCH(QString, caption);
    QCOMPARE(TLyProjectMainForm::Caption(QStringLiteral("Lyrabridge"), QStringLiteral("2.1"),
                                         prerelease, QStringLiteral("/home/a/Music & more.xml")),
             caption);
    TScript script;
    TLyTempFolder folder;
    const QString file = WriteProject(folder, QStringLiteral("p.xml"));
    auto window = OpenWindow(file);
    QCOMPARE(window->windowTitle(),
             TLyProjectMainForm::Caption(QString::fromUtf8(kLyProductName),
                                         QString::fromUtf8(kLyVersion), kLyPrerelease, file));
}

void TestLyMainWindow::recentProjectMissing() {
    TScript script;
    TLyTempFolder folder;
    const QString first = WriteProject(folder, QStringLiteral("first.xml"));
    const QString second = WriteProject(folder, QStringLiteral("second.xml"));
    const QString third = WriteProject(folder, QStringLiteral("third.xml"));
    auto window = OpenWindow(first);
    window->OpenProjectFile(second);
    Settle(*window);
    window->OpenProjectFile(third);
    Settle(*window);
    QCOMPARE(MenuTexts(window->MnuRecentProjects()), (QStringList{third, second, first}));
    QVERIFY(QFile::remove(second));
    window->MnuRecentProjects()->actions().at(1)->trigger();
    QCoreApplication::processEvents();
    const QString message =
        second + QStringLiteral(" does not exist. (entry was removed from menu)");
    QCOMPARE(script.Messages(),
             QStringList{u'[' + message.left(second.size()) + u']' + message.mid(second.size())});
    QVERIFY(Logged(script.Messages().value(0), mtError));
    QCOMPARE(MenuTexts(window->MnuRecentProjects()), (QStringList{third, first}));
    QCOMPARE(window->Project()->Options()->GetFileName(), third);
}

void TestLyMainWindow::drop_data() {
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
              cancel = QMessageBox::Cancel, accept = QDialog::Accepted, reject = QDialog::Rejected;
    QTest::newRow("none") << QStringList{"text", "remote", "missing"} << all << false
                          << QList<int>{}
                          << "None of the 3 files appear to be valid iTunes "
                             "libraries."
                          << QString() << -1 << -1;
    QTest::newRow("one, all page") << QStringList{"text", "lib"} << all << false << QList<int>{ok}
                                   << QString() << QString() << 1 << -1;
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
    QTest::newRow("unexported, kept") << QStringList{"lib", "lib"} << all << true << QList<int>{no}
                                      << QString() << QString() << -1 << -1;
    QTest::newRow("unexported, dropped")
        << QStringList{"lib", "lib"} << all << true << QList<int>{yes, accept} << QString()
        << QString() << 0 << 1;
}

void TestLyMainWindow::drop() {
    QFETCH(QStringList, files);
    QFETCH(int, page);
    QFETCH(bool, modified);
    QFETCH(QList<int>, answers);
    QFETCH(QString, message);
    QFETCH(QString, warning);
    QFETCH(int, one);
    QFETCH(int, two);
    TScript script;
    TLyTempFolder folder;
    auto window = OpenWindow(WriteProject(folder, QStringLiteral("p.xml")));
    window->FrmSongMatchResult()->SetCurrentPage(TPage(page));
    window->Project()->SetModified(modified);
    TLyProjectOptions* options = window->Project()->Options();
    const QString oldOne = options->LibraryOne()->InputPath();
    const QString oldTwo = options->LibraryTwo()->InputPath();
    QList<QUrl> urls;
    for (int index = 0; index < files.size(); ++index) {
        const QString name = QStringLiteral("drop%1.xml").arg(index);
        if (files[index] == u"lib")
            urls << QUrl::fromLocalFile(LibraryXml(folder, name, 1));
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
    Settle(*window);
    QCOMPARE(script.Messages(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(Logged(warning, mtWarning), !warning.isEmpty());
    QCOMPARE(options->LibraryOne()->InputPath(), one < 0 ? oldOne : urls[one].toLocalFile());
    QCOMPARE(options->LibraryTwo()->InputPath(), two < 0 ? oldTwo : urls[two].toLocalFile());
    if (files.count(QStringLiteral("lib")) == 1) {
        const QString name = page == TLySongMatchResult::pgTwo ? QStringLiteral("Desktop")
                                                               : QStringLiteral("Laptop");
        QCOMPARE(
            script.Requests().last().Text,
            QStringLiteral("Are you sure you want to change the library for \"%1\" to this "
                           "file?\r\n\r\n  %2")
                .arg(name, QDir::toNativeSeparators(urls[files.indexOf(u"lib")].toLocalFile())));
    }
}

void TestLyMainWindow::closeQuery_data() {
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

void TestLyMainWindow::closeQuery() {
    QFETCH(bool, modified);
    QFETCH(QString, running);
    QFETCH(QList<int>, answers);
    QFETCH(int, questions);
    QFETCH(bool, closed);
    TScript script;
    for (int answer : answers)
        script.Add(answer);
    TLyTempFolder folder;
    auto window = OpenWindow(WriteProject(folder, QStringLiteral("p.xml")));
    window->Project()->SetModified(modified);
    std::unique_ptr<TBlockingRun> run;
    if (!running.isEmpty())
        run = std::make_unique<TBlockingRun>(window->Project(), running);
    window->show();
    QCOMPARE(window->close(), closed);
    QCOMPARE(script.Requests().size(), questions);
    if (!running.isEmpty() && running != u"Match Songs")
        QCOMPARE(window->Project()->Process()->Running(), !closed); // asked, then cancelled
}

void TestLyMainWindow::failureShownAfterNotification() {
    TScript script;
    TLyTempFolder folder;
    auto window = OpenWindow(WriteProject(folder, QStringLiteral("p.xml")));
    // Listens after the window: sees what the window did inside the same notification.
    struct TWatch : TLyProcessListener {
        TScript* Script;
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

void TestLyMainWindow::deleteAsksAndStaysDeleted_data() {
    QTest::addColumn<int>("answer");
    QTest::newRow("declined") << int(QMessageBox::No);
    QTest::newRow("confirmed") << int(QMessageBox::Yes);
}

void TestLyMainWindow::deleteAsksAndStaysDeleted() {
    QFETCH(int, answer);
    TLyTempFolder folder;
    const QString file = WriteProject(folder, QStringLiteral("p.xml"));
    {
        TScript script;
        script.Add(answer);
        auto window = OpenWindow(file);
        window->ActDeleteProject->trigger();
        QCOMPARE(script.Requests().size(), 1);
        QCOMPARE(QFileInfo::exists(file), answer == QMessageBox::No);
        QCOMPARE(window->Project()->Options()->GetFileName(), file); // still shown
        QCOMPARE(MenuTexts(window->MnuRecentProjects()),
                 answer == QMessageBox::No ? QStringList{file} : QStringList());
    }
    // Leaving the window does not write the deleted project back.
    QCOMPARE(QFileInfo::exists(file), answer == QMessageBox::No);
}

void TestLyMainWindow::startsOnDefaultWhenRecentIsGone() {
    TLyTempFolder folder;
    const QString gone = folder.FilePath(QStringLiteral("gone.xml"));
    {
        TScript script;
        auto window = OpenWindow(WriteProject(folder, QStringLiteral("gone.xml")));
    }
    QVERIFY(QFile::remove(gone));
    TScript script;
    {
        auto window = OpenWindow();
        const QString message =
            QStringLiteral("[%1] does not exist. (entry was removed from menu)").arg(gone);
        QCOMPARE(script.Messages(), QStringList{message});
        QVERIFY(Logged(message, mtError));
        QVERIFY(window->Project()->Options()->GetFileName() != gone);
    }
    QVERIFY(!QFileInfo::exists(gone));
}

void TestLyMainWindow::unreadableProjectLeftAlone() {
    TLyTempFolder folder;
    const QByteArray bytes = "<?xml version=\"1.0\"?><Options><Name>unclosed";
    const QString file = folder.WriteFile(QStringLiteral("broken.xml"), bytes);
    TScript script;
    {
        auto window = OpenWindow(file);
        QCOMPARE(script.Messages().size(), 1);
        QVERIFY2(script.Messages().value(0).contains(file), qPrintable(script.Messages().value(0)));
    }
    QCOMPARE(ReadWholeFile(file), bytes);
    QCOMPARE(QDir(folder.Path()).entryList(QDir::Files), QStringList{"broken.xml"});
}

void TestLyMainWindow::replacingUnexportedChangesAsks_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("answer");
    for (const char* how : {"open", "recent", "new"}) {
        QTest::addRow("%s, kept", how) << QString::fromLatin1(how) << int(QMessageBox::No);
        QTest::addRow("%s, replaced", how) << QString::fromLatin1(how) << int(QMessageBox::Yes);
    }
}

void TestLyMainWindow::replacingUnexportedChangesAsks() {
    QFETCH(QString, how);
    QFETCH(int, answer);
    TLyTempFolder folder;
    const QString first = WriteProject(folder, QStringLiteral("first.xml"));
    const QString second = WriteProject(folder, QStringLiteral("second.xml"));
    TScript script;
    auto window = OpenWindow(first);
    window->OpenProjectFile(second);
    Settle(*window);
    window->Project()->SetModified(true);
    script.Add(answer);
    if (how == u"open") {
        script.Add(QDialog::Accepted, first);
        window->ActOpenProject->trigger();
    } else if (how == u"recent") {
        window->MnuRecentProjects()->actions().at(1)->trigger();
    } else {
        script.Add(QDialog::Accepted);
        script.Add(QDialog::Accepted, folder.FilePath(QStringLiteral("third.xml")));
        window->ActNewProject->trigger();
    }
    QCoreApplication::processEvents();
    Settle(*window);
    QCOMPARE(script.Requests().value(0).Text,
             QStringLiteral("Changes have not been exported. Are you sure you want to continue?"));
    const bool replaced = window->Project()->Options()->GetFileName() != second;
    QCOMPARE(replaced, answer == QMessageBox::Yes);
    if (!replaced)
        QCOMPARE(script.Requests().size(), 1);
}

void TestLyMainWindow::newProjectKeepsWhatWasEntered() {
    TLyTempFolder folder;
    const QString existing = WriteProject(folder, QStringLiteral("existing.xml"));
    TScript script;
    auto window = OpenWindow();
    script.Add(QDialog::Accepted);
    script.Add(QDialog::Accepted, existing); // the user chose to write over it
    window->ActNewProject->trigger();
    Settle(*window);
    TLyProjectOptions* options = window->Project()->Options();
    QCOMPARE(options->GetFileName(), existing);
    // The new project's own (default) libraries, not those the file held.
    QCOMPARE(options->LibraryOne()->InputPath(), QString());
    TLyProjectOptions stored;
    stored.SetName(existing);
    stored.Load();
    QCOMPARE(stored.LibraryOne()->InputPath(), QString());
    QCOMPARE(MenuTexts(window->MnuRecentProjects()).value(0), existing);
}

void TestLyMainWindow::failingPreferencesStoreShown() {
    TScript script;
    auto window = OpenWindow();
    // The folder of the project and the preferences has become a file.
    const QString folder = QDir::cleanPath(TLyBaseOptions::ProjectsFolder());
    QVERIFY(QDir(folder).removeRecursively());
    QVERIFY(QFile(folder).open(QIODevice::WriteOnly));
    window->show();
    QVERIFY(window->close());
    QCOMPARE(script.Messages().size(), 2);
    QVERIFY2(script.Messages().value(0).contains(window->Project()->Options()->GetFileName()),
             qPrintable(script.Messages().value(0)));
    QVERIFY2(script.Messages().value(1).contains(window->System()->Options()->GetFileName()),
             qPrintable(script.Messages().value(1)));
    window.reset();
    QVERIFY(QFile::remove(folder));
}

void TestLyMainWindow::userNoticesReachStatusBar() {
    TScript script;
    LogMessage(QStringLiteral("before the window"), QStringLiteral("System"), mtWarning);
    auto window = OpenWindow();
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

void TestLyMainWindow::helpOpensWhatIsThere_data() {
    QTest::addColumn<bool>("helpFile");
    QTest::addColumn<bool>("guide");
    QTest::addColumn<QString>("opened"); // "help", "guide" or "" for the message
    QTest::newRow("both") << true << true << "help";
    QTest::newRow("guide only") << false << true << "guide";
    QTest::newRow("neither") << false << false << QString();
}

void TestLyMainWindow::helpOpensWhatIsThere() {
    QFETCH(bool, helpFile);
    QFETCH(bool, guide);
    QFETCH(QString, opened);
    TScript script;
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
    auto window = OpenWindow();
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

void TestLyMainWindow::geometry_data() {
    QTest::addColumn<QRect>("saved");
    QTest::addColumn<bool>("kept"); // else moved onto the screen
    QTest::newRow("on the screen") << QRect(40, 50, 500, 400) << true;
    QTest::newRow("on a screen that is gone") << QRect(5000, 4000, 500, 400) << false;
    QTest::newRow("left of every screen") << QRect(-3000, 50, 500, 400) << false;
}

void TestLyMainWindow::geometry() {
    QFETCH(QRect, saved);
    QFETCH(bool, kept);
    TScript script;
    {
        auto window = OpenWindow();
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
            QVERIFY(screen.intersects(window->geometry()));
        window->move(window->pos() + QPoint(7, 9));
        window->SaveWindowOptions();
        QCOMPARE(QPoint(options->Left(), options->Top()), window->geometry().topLeft());
    }
}

QTEST_MAIN(TestLyMainWindow)
#include "tst_LyMainWindow.moc"
