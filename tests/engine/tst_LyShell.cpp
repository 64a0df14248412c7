// The running-program list: program names from a proc file system, Windows programs under a
// compatibility layer, processes that cannot be read, and the iTunes check in any letter case.
#include "LyShell.h"
#include "LyTestSupport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTest>

#include <filesystem>

namespace {

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

class TestLyShell : public QObject {
    Q_OBJECT
private Q_SLOTS:
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
};

QTEST_GUILESS_MAIN(TestLyShell)
#include "tst_LyShell.moc"
