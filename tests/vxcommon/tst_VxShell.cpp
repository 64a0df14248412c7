// Special folders under a controlled XDG environment, opening files on a short-lived thread
// (with a test opener and with a stand-in xdg-open), and a started program's arguments.
#include "LyTestHome.h"
#include "VxShell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTest>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

constexpr int kWaitMs = 20000;

// What a blocking test opener saw.
struct TOpenerProbe {
    std::mutex Lock;
    std::condition_variable Wake;
    bool Released = false;
    bool RanAfterRelease = false;
    QString FileName;
    QObject* Owner = nullptr;
    std::thread::id Thread;

    void Release() {
        {
            std::lock_guard lock(Lock);
            Released = true;
        }
        Wake.notify_all();
    }
};

QString WaitAndRead(const QString& path) {
    if (!QTest::qWaitFor([&] { return QFile::exists(path); }, kWaitMs))
        return QStringLiteral("<timed out>");
    return QString::fromUtf8(ReadWholeFile(path));
}

} // namespace

class TestVxShell : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        // User folders whose names have blanks and non-ASCII letters.
        FHome = FTemp.Path();
        FTemp.WriteFile(".config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Meine Dokumente ü\"\n"
                                                  "XDG_PICTURES_DIR=\"$HOME/Bilder é\"\n"
                                                  "XDG_PUBLICSHARE_DIR=\"$HOME/Öffentlich\"\n");
        for (const char* folder : {"Meine Dokumente ü", "Bilder é", "Öffentlich", "data home"})
            QVERIFY(QDir(FHome).mkpath(QString::fromUtf8(folder)));
        qputenv("XDG_DATA_HOME", (FHome + "/data home").toUtf8());
        qputenv("XDG_DATA_DIRS", "/srv/shared data:/usr/share");
    }

    void cleanup() {
        SetFileOpener({});
        QVERIFY(WaitForOpenFileThreads(kWaitMs));
    }

    void cleanupTestCase() { QCOMPARE(OpenFileThreadCount(), 0); }

    void specialFolders_data() {
        QTest::addColumn<tVxSpecialFolder>("kind");
        QTest::addColumn<QString>("expected");
        // The ordinals are stored in options: each row names the ordinal, not the enumerator.
        const auto kind = [](int ordinal) {
            return static_cast<tVxSpecialFolder>(ordinal);
        };
        QTest::newRow("0 system root") << kind(0) << "/";
        QTest::newRow("1 system programs") << kind(1) << "/usr/bin/";
        QTest::newRow("2 program files") << kind(2) << "/opt/";
        QTest::newRow("3 common program files") << kind(3) << "/usr/lib/";
        QTest::newRow("4 local application data") << kind(4) << FHome + "/data home/";
        QTest::newRow("5 documents") << kind(5) << FHome + "/Meine Dokumente ü/";
        QTest::newRow("6 pictures") << kind(6) << FHome + "/Bilder é/";
        QTest::newRow("7 common application data") << kind(7) << "/srv/shared data/";
        QTest::newRow("8 common documents") << kind(8) << FHome + "/Öffentlich/";
    }

    void specialFolders() {
        QFETCH(tVxSpecialFolder, kind);
        QFETCH(QString, expected);
        QCOMPARE(GetSpecialFolder(kind), expected);
    }

    void openFileReturnsBeforeTheOpenerRuns_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("withOwner");
        QTest::newRow("help file, no owner")
            << "/usr/share/doc/Lyrabridge Hilfe/index ü.html" << false;
        QTest::newRow("folder, owner") << "/home/Zoë/Lyrabridge Projects/" << true;
    }

    void openFileReturnsBeforeTheOpenerRuns() {
        QFETCH(QString, fileName);
        QFETCH(bool, withOwner);
        // Shared with the opener, so a thread that outlives a failed check touches no freed stack.
        auto probe = std::make_shared<TOpenerProbe>();
        SetFileOpener([probe](const QString& name, QObject* owner) {
            std::unique_lock lock(probe->Lock);
            probe->RanAfterRelease = probe->Wake.wait_for(lock, std::chrono::seconds(10),
                                                          [&] { return probe->Released; });
            probe->FileName = name;
            probe->Owner = owner;
            probe->Thread = std::this_thread::get_id();
        });
        QObject* owner = withOwner ? this : nullptr;

        OpenFileInBackground(fileName, owner);
        QCOMPARE(OpenFileThreadCount(), 1);
        probe->Release();

        QVERIFY(WaitForOpenFileThreads(kWaitMs));
        std::lock_guard lock(probe->Lock);
        QVERIFY2(probe->RanAfterRelease, "the opener ran before OpenFileInBackground returned");
        QCOMPARE(probe->FileName, fileName);
        QCOMPARE(probe->Owner, owner);
        QVERIFY(probe->Thread != std::this_thread::get_id());
    }

    void desktopOpenerHandsTheNameToXdgOpen_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("expected");
        const QString blanks = "/tmp/My Música/Hilfe ü.html";
        QTest::newRow("blanks and non-ASCII") << blanks << blanks;
        QTest::newRow("leading dash is not an option")
            << QString("-notes.txt") << QString("./-notes.txt");
    }

    void desktopOpenerHandsTheNameToXdgOpen() {
        QFETCH(QString, fileName);
        QFETCH(QString, expected);
        // A stand-in xdg-open first on the PATH records its arguments instead of opening anything.
        const QString record = FTemp.FilePath("opened.txt");
        QFile::remove(record);
        const QString script = FTemp.WriteFile(
            "bin/xdg-open", "#!/bin/sh\nprintf '%s\\n%s' \"$#\" \"$1\" > '" + record.toUtf8() +
                                ".part'\n" + "mv '" + record.toUtf8() + ".part' '" +
                                record.toUtf8() + "'\n");
        QFile::setPermissions(script, QFile::permissions(script) | QFile::ExeOwner);
        const QByteArray path = qgetenv("PATH");
        const auto restorePath = qScopeGuard([&] { qputenv("PATH", path); });
        qputenv("PATH", QFile::encodeName(FTemp.FilePath("bin")) + ":" + path);

        OpenFileInBackground(fileName);
        QVERIFY(WaitForOpenFileThreads(kWaitMs));
        QCOMPARE(WaitAndRead(record), "1\n" + expected);
    }

    void startedProgramGetsArgumentsAndWorkingFolder() {
        const QString folder = FTemp.FilePath("work folder ü");
        QVERIFY(QDir().mkpath(folder));
        const QString argument = "an argument with blanks, ü and \"quotes\"";
        QVERIFY(StartProgramDetached(
            "/bin/sh",
            {"-c",
             "printf '%s\\n%s\\n%s' \"$(pwd -P)\" \"$#\" \"$1\" > out.part && mv out.part out",
             "sh", argument},
            folder));
        QCOMPARE(WaitAndRead(folder + "/out"),
                 QFileInfo(folder).canonicalFilePath() + "\n1\n" + argument);
    }

private:
    TLyTestHome FTemp;
    QString FHome;
};

QTEST_GUILESS_MAIN(TestVxShell)
#include "tst_VxShell.moc"
