// The application object and the program's start-up sequence; the running-program list: names
// from a proc file system, Windows programs under a compatibility layer, processes that cannot
// be read, and the iTunes check in any letter case.
#include "ArDebugLog.h"
#include "ArMessageLog.h"
#include "LyShell.h"
#include "LySystem.h"
#include "LyTestHome.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTest>

#include <filesystem>
#include <thread>
#include <unistd.h>

namespace {

class TCountingListener : public ILySystemListener {
public:
    int Calls = 0;
    TLySystem* Seen = nullptr;
    void SystemChanged(TLySystem* system) override {
        ++Calls;
        Seen = system;
    }
};

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

class TCounter : public TLySystemProcessListAnalyzer {
public:
    QStringList Names;
    void AddProgram(const QString& name) override { Names << name; }
};

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
    void init() { QDir(TLyBaseOptions::ProjectsFolder()).removeRecursively(); }

    void createAndDestroyStoresThePreferences() {
        QString fileName;
        {
            TLySystem system;
            fileName = system.Options()->GetFileName();
            QVERIFY(!QFileInfo::exists(fileName)); // nothing stored yet: the defaults
        }
        QVERIFY(QFileInfo(fileName).isFile());
        QCOMPARE(TakeLoggedLines(), (QStringList{"Loading configuration from [" + fileName + "]",
                                                 "Storing configuration to [" + fileName + "]"}));

        // What was stored is what the next run loads.
        {
            TLySystem system;
            system.Options()->Projects()->Add(QStringLiteral("/p.xml"));
            system.Close();
        }
        TLySystem again;
        QCOMPARE(again.Options()->Projects()->Files(), QStringList{"/p.xml"});
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

    void listenersHearChanges() {
        TLySystem system;
        TCountingListener listener;
        system.AddListener(&listener);
        QCOMPARE(listener.Calls, 1); // told the current state at once
        QCOMPARE(listener.Seen, &system);
        system.Changed(); // updates gather changes as every update does
        QCOMPARE(listener.Calls, 2);
        system.RemoveListener(&listener);
        system.Changed();
        QCOMPARE(listener.Calls, 2);
    }

    void loggedLinesReachTheDebugViewer() {
        TArDebugViewer viewer(TLyTestHome::DebugChannel());
        QString error;
        QVERIFY2(viewer.Open(&error), qPrintable(error));
        viewer.SetActive(true);
        std::optional<TArDebugRecord> record;
        std::thread reader([&] { record = viewer.Receive(5000); });
        LogMessage(QStringLiteral("hello viewer"), QStringLiteral("System"), mtInfo);
        reader.join();
        viewer.Close();
        QVERIFY(record.has_value());
        QVERIFY2(record->Text.startsWith(QStringLiteral("[System][")), qPrintable(record->Text));
        QVERIFY2(record->Text.endsWith(QStringLiteral("][Info]: hello viewer\r\n")),
                 qPrintable(record->Text));
        QCOMPARE(record->ProcessId, quint32(::getpid()));
    }

    void programName_data() {
        QTest::addColumn<QByteArray>("commandLine");
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QByteArray>("comm");
        QTest::addColumn<QString>("expected");
        QTest::newRow("native: the executable, not argv[0]")
            << Cmd({"/sbin/init", "splash"}) << "/usr/lib/systemd/systemd"
            << QByteArray("systemd\n") << "systemd";
        QTest::newRow("Windows program started: its Windows path")
            << Cmd({"C:\\Program Files\\iTunes\\iTUNES.EXE"}) << "/usr/bin/wine64-preloader"
            << QByteArray("iTUNES.EXE\n") << "iTUNES.EXE";
        QTest::newRow("Windows program being loaded: the loader's argument")
            << Cmd({"/usr/bin/wine", "iTunes.exe"}) << "/usr/bin/wine" << QByteArray("wine\n")
            << "iTunes.exe";
        QTest::newRow("loader options are skipped")
            << Cmd({"wine64", "--", "C:/Apps/iTunes/iTunes.exe", "/quiet"}) << "/usr/bin/wine64"
            << QByteArray() << "iTunes.exe";
        QTest::newRow("loader alone reports itself")
            << Cmd({"/usr/bin/wine"}) << "/usr/bin/wine" << QByteArray() << "wine";
        QTest::newRow("executable replaced meanwhile")
            << Cmd({"player"}) << "/opt/app/bin/player (deleted)" << QByteArray() << "player";
        QTest::newRow("executable unreadable: argv[0]")
            << Cmd({"/usr/bin/python3", "x.py"}) << QString() << QByteArray("python3\n")
            << "python3";
        QTest::newRow("kernel thread: the short name")
            << Cmd({}) << QString() << QByteArray("kthreadd\n") << "kthreadd";
        QTest::newRow("vanished process: nothing")
            << QByteArray() << QString() << QByteArray() << "";
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

    void enumerateSkipsWhatIsNoProcessInIdOrder() {
        TLyTempFolder proc;
        AddProcess(proc, {QStringLiteral("300"), Cmd({"C:\\Program Files\\iTunes\\iTUNES.EXE"}),
                          QString(), QByteArray()});
        AddProcess(proc, {QStringLiteral("20"), Cmd({"bash"}), QString(), QByteArray()});
        AddProcess(proc,
                   {QStringLiteral("3"), QByteArray(), QString(), QByteArray("kworker/0:1\n")});
        AddProcess(proc, {QStringLiteral("4"), QByteArray(), QString(), QByteArray()}); // vanished
        AddProcess(proc, {QStringLiteral("self"), Cmd({"fake"}), QString(), QByteArray()});
        AddProcess(proc, {QStringLiteral("12a"), Cmd({"fake"}), QString(), QByteArray()});
        proc.WriteFile(QStringLiteral("99"), QByteArray("a file, not a process")); // not a folder

        TCounter counter;
        TLySystemProcessList list(proc.Path());
        list.Enumerate(&counter);
        const QStringList expected{"kworker/0:1", "bash", "iTUNES.EXE"};
        QCOMPARE(counter.Names, expected);
        QCOMPARE(list.RunningProgramNames(), expected);
        QVERIFY(IsITunesRunning(list));
        LY_EXPECT_ASSERTION(list.Enumerate(nullptr), "Units/LyShell");

        QCOMPARE(
            TLySystemProcessList(proc.FilePath(QStringLiteral("missing"))).RunningProgramNames(),
            QStringList());
        QVERIFY(!ContainsITunes({QStringLiteral("iTunesHelper.exe"), QStringLiteral("iTunes")}));
    }

    void realProcessListHoldsThisProgram() {
        const QStringList names = TLySystemProcessList().RunningProgramNames();
        QVERIFY(names.contains(QFileInfo(QCoreApplication::applicationFilePath()).fileName()));
    }

private:
    TLyTestHome FHome;
};

QTEST_GUILESS_MAIN(TestLySystem)
#include "tst_LySystem.moc"
