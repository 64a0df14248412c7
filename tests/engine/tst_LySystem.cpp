// The option classes: repairs on loading the preferences and projects, safe project file names
// and view layouts; the running-program list: this program found, and names from a proc file
// system, Windows programs under a compatibility layer and processes that cannot be read.
#include "ArDebugLog.h"
#include "ArMessageLog.h"
#include "LyOptions.h"
#include "LyShell.h"
#include "LySystem.h"
#include "LyTestHome.h"
#include "VxSettingsRepository.h"
#include "VxShell.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <filesystem>
#include <thread>
#include <unistd.h>

namespace {

QString EditedFile(const QString& source, const QString& target,
                   const std::function<void(QByteArray&)>& edit) {
    QByteArray text = ReadWholeFile(source);
    edit(text);
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(target));
    return target;
}

// One process folder of a fake proc file system; empty parts are left out.
struct TFakeProcess {
    QString Id;
    QByteArray CommandLine;
    QString Executable; // target of the "exe" link
    QByteArray Comm;
};

void AddProcess(const TLyTempFolder& proc, const TFakeProcess& process) {
    QVERIFY(QDir(proc.Path()).mkpath(process.Id));
    if (!process.CommandLine.isNull())
        proc.WriteFile(process.Id + QStringLiteral("/cmdline"), process.CommandLine);
    if (!process.Comm.isNull())
        proc.WriteFile(process.Id + QStringLiteral("/comm"), process.Comm);
    if (!process.Executable.isEmpty()) {
        std::error_code error;
        std::filesystem::create_symlink(
            process.Executable.toStdString(),
            proc.FilePath(process.Id + QStringLiteral("/exe")).toStdString(), error);
        QVERIFY2(!error, error.message().c_str());
    }
}

// A command line as the proc file system shows it: each argument ends with a zero byte.
QByteArray Cmd(const QList<QByteArray>& arguments) {
    QByteArray bytes(""); // present but empty for no arguments
    for (const QByteArray& argument : arguments)
        bytes += argument + '\0';
    return bytes;
}

} // namespace

class TestLySystem : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        LySystemStartup();
        QVERIFY(FileStatusCalculator());
        TakeLoggedLines();
    }

    void cleanupTestCase() { LySystemShutdown(); }
    void init() {
        QDir(TLyBaseOptions::ProjectsFolder()).removeRecursively();
        TakeLoggedLines(true);
    }

    void invalidPreferencesAreSetAside_data() {
        QTest::addColumn<QByteArray>("valid");
        QTest::addColumn<QByteArray>("invalid");
        QTest::newRow("not well-formed") << QByteArray("</Settings>") << QByteArray("</Setting>");
        QTest::newRow("boolean") << QByteArray("<StartITunes>True<")
                                 << QByteArray("<StartITunes>perhaps<");
        QTest::newRow("integer") << QByteArray("<Left>100<") << QByteArray("<Left>wide<");
        QTest::newRow("enumeration")
            << QByteArray("<FilterPart>sdName<") << QByteArray("<FilterPart>sdTempo<");
        QTest::newRow("handler") << QByteArray("<handler>TStrings<")
                                 << QByteArray("<handler>TVxObjectHashMap<");
    }

    // The program must start whatever the preferences file holds; the file is kept for the user.
    void invalidPreferencesAreSetAside() {
        QFETCH(QByteArray, valid);
        QFETCH(QByteArray, invalid);
        const QString fileName = TLyOptions().GetFileName();
        {
            TLySystem system;
            system.Options()->Projects()->Add(QStringLiteral("/p.xml"));
        }
        QByteArray text = ReadWholeFile(fileName);
        QVERIFY(text.contains(valid));
        text.replace(valid, invalid);
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) > 0);
        file.close();
        TakeLoggedLines();
        {
            TLySystem system;
            QCOMPARE(system.Options()->Projects()->Files(), QStringList());
            QVERIFY(system.Options()->ITunes()->StartITunes());
        }
        const QString kept = fileName + ".unreadable";
        QCOMPARE(ReadWholeFile(kept), text);
        const QStringList warnings = TakeLoggedLines().filter("could not be read");
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings.first().startsWith("Settings file [" + fileName +
                                             "] could not be read and was kept as [" + kept +
                                             "]; the settings start empty."),
                 qPrintable(warnings.first()));
        TLySystem again; // what was stored instead reads without a warning
        QCOMPARE(TakeLoggedLines().filter("could not be read"), QStringList());
    }

    void realProcessListHoldsThisProgram() {
        const QStringList names = TLySystemProcessList().RunningProgramNames();
        QVERIFY(names.contains(QFileInfo(QCoreApplication::applicationFilePath()).fileName()));
    }

    void missingViewReplacesTheWindowsViews() {
        TLyOptions stored;
        stored.ProjectWindow()->View(QStringLiteral("All"))->SetSortColumn(4);
        stored.MatchWindow()->View(QStringLiteral("All"))->SetSortColumn(5);
        stored.Store();
        // Remove the match window's "Best Matches" view from the file.
        const QString file = stored.GetFileName();
        EditedFile(file, file, [](QByteArray& text) {
            // The item that holds the view starts a line; its end tag has the same indentation.
            const int match = text.indexOf("<MatchWindow>");
            const int name = text.indexOf("<text>Best Matches</text>", match);
            const int tag = text.lastIndexOf("<item>", name);
            const int start = text.lastIndexOf('\n', tag) + 1;
            const QByteArray closing = "\n" + text.mid(start, tag - start) + "</item>\r\n";
            const int end = text.indexOf(closing, name) + closing.size();
            text.remove(start, end - start);
        });
        TakeLoggedLines(true);
        TLyOptions read;
        read.Load();
        QCOMPARE(TakeLoggedLines(true),
                 (QStringList{"System:Loading configuration from [" + file + "]",
                              "System:View configuration is invalid; using default views."}));
        QCOMPARE(read.MatchWindow()->Views()->Count(), 6);
        QCOMPARE(read.MatchWindow()->View(QStringLiteral("All"))->SortColumn(),
                 0); // replaced whole
        QCOMPARE(read.ProjectWindow()->View(QStringLiteral("All"))->SortColumn(), 4); // untouched
    }

    void wrongColumnCountResetsOnlyColumns() {
        TLyOptions stored;
        TLyViewOptions* matches = stored.ProjectWindow()->View(QStringLiteral("Matches"));
        matches->SetSortColumn(6);
        matches->SetSortAscending(false);
        matches->SetFilterText(QStringLiteral("abba"));
        matches->Column(0)->SetWidth(333);
        matches->Columns()->Delete(10);
        stored.Store();
        TakeLoggedLines(true);
        TLyOptions read;
        read.Load();
        QCOMPARE(TakeLoggedLines(true).mid(1),
                 QStringList{"System:Column configuration for view [Matches] is invalid; using "
                             "default configuration."});
        const TLyViewOptions* view = read.ProjectWindow()->View(QStringLiteral("Matches"));
        QCOMPARE(view->Columns()->Count(), 11);
        QCOMPARE(view->Column(0)->Width(), 150);
        QCOMPARE(view->SortColumn(), 6);
        QCOMPARE(view->SortAscending(), false);
        QCOMPARE(view->FilterText(), QStringLiteral("abba"));
    }

    void projectFileNameIsSafe_data() {
        QTest::addColumn<QString>("one");
        QTest::addColumn<QString>("two");
        QTest::addColumn<QString>("fileName");
        const auto row = [](const char* name, const QString& one, const QString& two,
                            const QString& fileName) {
            QTest::newRow(name) << one << two << fileName;
        };
        row("plain", "Laptop", "Desk", "LyrabridgeProject_Laptop_Desk.xml");
        row("climbing out", "../../x", "Two", "LyrabridgeProject__._.._x_Two.xml");
        row("separators", "a/b", "c\\d", "LyrabridgeProject_a_b_c_d.xml");
        row("reserved", "what? *now*", "\"q\" <a|b>: x",
            "LyrabridgeProject_what_ _now___q_ _a_b__ x.xml");
        row("control and non-ASCII", QString("tab\there"), "Müsik ♫",
            "LyrabridgeProject_tab_here_Müsik ♫.xml");
    }

    void projectFileNameIsSafe() {
        QFETCH(QString, one);
        QFETCH(QString, two);
        QFETCH(QString, fileName);
        TLyProjectOptions project;
        project.LibraryOne()->SetName(one);
        project.LibraryTwo()->SetName(two);
        QCOMPARE(project.GetDefaultFileName(), fileName);
        QCOMPARE(QFileInfo(project.GetFileName()).absolutePath() + u'/',
                 TLyBaseOptions::ProjectsFolder());
        QCOMPARE(project.LibraryOne()->Name(), one); // stored as typed
        QCOMPARE(LySafeFileNamePart(QStringLiteral(".hidden")), QStringLiteral("_hidden"));
    }

    // A project file of an earlier version (its compare mode the last one it knew) reads and stores
    // again byte for byte but for the keys added since, appended with their defaults.
    void earlierProjectFileLoadsUnchanged() {
        const QString path = FHome.FilePath(QStringLiteral("earlier.xml"));
        QByteArray earlier = ReadWholeFile(QStringLiteral(LY_TEST_DATA_DIR "/options/project.xml"));
        earlier.replace("@PATH@", path.toUtf8()); // the file names itself
        FHome.WriteFile(QStringLiteral("earlier.xml"), earlier);
        TLyProjectOptions project;
        project.SetName(path);
        project.Load();
        QCOMPARE(project.CompareOptions()->Mode(), scmPhoneticMatch);
        QCOMPARE(project.Action(sdPlayCount), saUseMin);
        project.Store();
        QString stored = QString::fromUtf8(ReadWholeFile(path));
        const QRegularExpression added(QStringLiteral("\\s*<RememberedPairs>.*</RememberedPairs>"),
                                       QRegularExpression::DotMatchesEverythingOption);
        QVERIFY(stored.contains(added));
        QCOMPARE(stored.remove(added).toUtf8(), earlier);
        project.CompareOptions()->SetMode(scmPersistentIdMatch);
        project.Store();
        TLyProjectOptions read;
        read.SetName(path);
        read.Load();
        QCOMPARE(read.CompareOptions()->Mode(), scmPersistentIdMatch);
    }

    void unreadableProjectNamesTheFile_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("problem");
        const QByteArray head = "<Settings><Options><object>True</object><handler>TObject</handler>"
                                "<class>TLyProjectOptions</class>";
        const QByteArray tail = "</Options></Settings>";
        QTest::newRow("object under the wrong handler")
            << head +
                   "<LibraryOne><object>True</object><handler>TVxObjectHashMap</handler>"
                   "<class>TLyLibraryOptions</class></LibraryOne>" +
                   tail
            << QStringLiteral("TVxObjectHashMap");
        QTest::newRow("value that is no boolean")
            << head + "<ForceSynchronize>perhaps</ForceSynchronize>" + tail
            << QStringLiteral("perhaps");
    }

    // Well-formed files that the options cannot be read from are refused with the file's name,
    // not with a path inside a file the user cannot guess.
    void unreadableProjectNamesTheFile() {
        QFETCH(QByteArray, content);
        QFETCH(QString, problem);
        const QString path = FHome.WriteFile(QStringLiteral("unreadable.xml"), content);
        TLyProjectOptions project;
        project.SetName(path);
        QString message;
        LY_EXPECT_EXCEPTION(EVxSettingsException, project.Load(), message);
        QVERIFY2(message.startsWith(QStringLiteral("Cannot read settings file [%1]: ").arg(path)),
                 qPrintable(message));
        QVERIFY2(message.contains(problem), qPrintable(message));
        QCOMPARE(ReadWholeFile(path), content);
    }

    void assignLayout() {
        TLyViewOptions source(QStringLiteral("All"));
        source.SetSortColumn(3);
        source.Column(2)->SetWidth(42);
        source.Column(8)->SetVisible(true);
        source.SetShowSongInfo(false);
        TLyViewOptions target(QStringLiteral("One"));
        target.SetFilterOptions({sfgOne});
        target.AssignLayout(source);
        QCOMPARE(target.SortColumn(), 3);
        QCOMPARE(target.Column(2)->Width(), 42);
        QVERIFY(target.Column(8)->Visible());
        QVERIFY(!target.ShowSongInfo());
        QCOMPARE(target.Name(), QStringLiteral("One"));
        QCOMPARE(target.FilterOptions(), tLySongFilterOptionSet{sfgOne});
        target.Columns()->Delete(0);
        LY_EXPECT_ASSERTION(target.AssignLayout(source), "Units/LyOptions");
        target.Reset();
        QCOMPARE(target.Columns()->Count(), 11);
    }

    void programName_data() {
        QTest::addColumn<QByteArray>("commandLine");
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QByteArray>("comm");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const QByteArray& commandLine, const char* executable,
                            const QByteArray& comm, const char* expected) {
            QTest::newRow(name) << commandLine << QString::fromUtf8(executable) << comm
                                << QString::fromUtf8(expected);
        };
        row("native: the executable, not argv[0]", Cmd({"/sbin/init", "splash"}),
            "/usr/lib/systemd/systemd", "systemd\n", "systemd");
        row("Windows program started: its Windows path",
            Cmd({"C:\\Program Files\\iTunes\\iTUNES.EXE"}), "/usr/bin/wine64-preloader",
            "iTUNES.EXE\n", "iTUNES.EXE");
        row("Windows program being loaded: the loader's argument",
            Cmd({"/usr/bin/wine", "iTunes.exe"}), "/usr/bin/wine", "wine\n", "iTunes.exe");
        row("loader options are skipped",
            Cmd({"wine64", "--", "C:/Apps/iTunes/iTunes.exe", "/quiet"}), "/usr/bin/wine64",
            QByteArray(), "iTunes.exe");
        row("loader alone reports itself", Cmd({"/usr/bin/wine"}), "/usr/bin/wine", QByteArray(),
            "wine");
        row("executable replaced meanwhile", Cmd({"player"}), "/opt/app/bin/player (deleted)",
            QByteArray(), "player");
        row("executable unreadable: argv[0]", Cmd({"/usr/bin/python3", "x.py"}), "", "python3\n",
            "python3");
        row("kernel thread: the short name", Cmd({}), "", "kthreadd\n", "kthreadd");
        row("vanished process: nothing", QByteArray(), "", QByteArray(), "");
    }

    void programName() {
        QFETCH(QByteArray, commandLine);
        QFETCH(QString, executable);
        QFETCH(QByteArray, comm);
        QFETCH(QString, expected);
        TLyTempFolder proc;
        AddProcess(proc, {QStringLiteral("17"), commandLine, executable, comm});
        QCOMPARE(TLySystemProcessList::ProgramNameOf(proc.FilePath(QStringLiteral("17"))),
                 expected);
    }

private:
    TLyTestHome FHome;
};

QTEST_GUILESS_MAIN(TestLySystem)
#include "tst_LySystem.moc"
