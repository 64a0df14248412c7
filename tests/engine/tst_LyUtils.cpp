// The background file-existence cache, the library-file test and file sizes.
#include "LyTestSupport.h"
#include "LyUtils.h"
#include "SongBuilders.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

namespace {

class TCountingFileListener : public ILyFileStatusListener {
public:
    int Changes = 0;
    void FileStatusChanged() override { ++Changes; }
};

// Asks for `Name` whenever told, as a list repaints; raises once when told to.
class TAskingFileListener : public ILyFileStatusListener {
public:
    TLyFileStatusCalculator* Calculator = nullptr;
    QString Name;
    tLyFileStatus Status = fsUnknown;
    int Changes = 0;
    bool RaiseOnce = false;
    void FileStatusChanged() override {
        ++Changes;
        Status = Calculator->GetStatus(Name);
        if (std::exchange(RaiseOnce, false))
            throw Exception(QStringLiteral("Cannot repaint"));
    }
};

} // namespace

class TestLyUtils : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { VxThreadsStartup(); }
    void cleanupTestCase() { VxThreadsShutdown(); }

    void statusIsComputedInTheBackground() {
        FFolder.WriteFile(QStringLiteral("music/a song.mp3"), "x");
        FFolder.WriteFile(QStringLiteral("musique/Ça plane.m4a"), "x");
        // A folder counts as missing.
        const QStringList names{"music/a song.mp3", "music/absent.mp3", "music",
                                "musique/Ça plane.m4a"};
        TLyFileStatusCalculator calculator;
        TCountingFileListener listener;
        calculator.AddListener(&listener);
        for (const QString& name : names)
            QCOMPARE(calculator.GetStatus(FFolder.FilePath(name)), fsUnknown);
        QTRY_COMPARE(listener.Changes, 1);
        QList<tLyFileStatus> statuses;
        for (const QString& name : names)
            statuses << calculator.GetStatus(FFolder.FilePath(name));
        QCOMPARE(statuses, (QList<tLyFileStatus>{fsExists, fsMissing, fsMissing, fsExists}));
        calculator.RemoveListener(&listener);
    }

    void repeatedRequestsAreTestedOnceAndKept() {
        // The worker cannot start checking before the main thread has delivered its start
        // notification, so all ten requests are queued first.
        TLyFileStatusCalculator calculator;
        TCountingFileListener listener;
        calculator.AddListener(&listener);
        const QString name = FFolder.WriteFile(QStringLiteral("ten.mp3"), "x");
        for (int i = 0; i < 10; ++i)
            QCOMPARE(calculator.GetStatus(name), fsUnknown);
        QCOMPARE(calculator.Process()->PendingCount(), 10);
        QTRY_COMPARE(listener.Changes, 1);
        QCOMPARE(calculator.Process()->PendingCount(), 0);
        QCOMPARE(calculator.Process()->ResultCount(), 1);
        QCOMPARE(calculator.GetStatus(name), fsExists);
        // The answer stays for the program's run: the file is never tested again.
        QVERIFY(QFile::remove(name));
        QCOMPARE(calculator.GetStatus(name), fsExists);
        // Names differing only in letter case are different files here.
        const QString upper = FFolder.FilePath(QStringLiteral("TEN.mp3"));
        QCOMPARE(calculator.GetStatus(upper), fsUnknown);
        QTRY_COMPARE(listener.Changes, 2);
        QCOMPARE(calculator.GetStatus(upper), fsMissing);
        calculator.RemoveListener(&listener);
    }

    void manyNamesInOneRun() {
        constexpr int kNames = 100000;
        for (int i = 0; i < 100; ++i)
            FFolder.WriteFile(QStringLiteral("many/%1.mp3").arg(i * 1000), "x");
        TLyFileStatusCalculator calculator;
        TCountingFileListener listener;
        calculator.AddListener(&listener);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < kNames; ++i)
            QCOMPARE(calculator.GetStatus(FFolder.FilePath(QStringLiteral("many/%1.mp3").arg(i))),
                     fsUnknown);
        const qint64 askMs = clock.elapsed();
        QTRY_COMPARE_WITH_TIMEOUT(listener.Changes, 1, 60000);
        qInfo("asked for %d names in %lld ms on the main thread; checked in %lld ms", kNames,
              static_cast<long long>(askMs), static_cast<long long>(clock.elapsed()));
        QVERIFY(!calculator.Process()->Running());
        QCOMPARE(calculator.Process()->ResultCount(), kNames);
        int existing = 0;
        for (int i = 0; i < kNames; ++i) {
            const tLyFileStatus status =
                calculator.GetStatus(FFolder.FilePath(QStringLiteral("many/%1.mp3").arg(i)));
            QVERIFY(status != fsUnknown);
            existing += status == fsExists;
        }
        QCOMPARE(existing, 100);
        QCOMPARE(listener.Changes, 1); // one run for all of them
        calculator.RemoveListener(&listener);
    }

    void songPropertiesCacheTheAnswer() {
        const QString name = FFolder.WriteFile(QStringLiteral("cached.mp3"), "x");
        TLySongProperties track = Track("t").Location(name).Build();
        QVERIFY(!track.FileExists()); // no calculator: unknown, not an error
        QCOMPARE(track.FileStatus(), fsUnknown);

        LyFileStatusStartup();
        TCountingFileListener listener;
        FileStatusCalculator()->AddListener(&listener);
        QVERIFY(!track.FileExists()); // queued
        QCOMPARE(track.FileStatus(), fsUnknown);
        QTRY_COMPARE(listener.Changes, 1);
        QVERIFY(track.FileExists());
        QCOMPARE(track.FileStatus(), fsExists);
        FileStatusCalculator()->RemoveListener(&listener);
        LyFileStatusShutdown();
        QVERIFY(track.FileExists()); // kept in the properties
    }

    void listenerAsksAgainAsARunEndsByAnError_data() {
        QTest::addColumn<QString>("end");
        QTest::newRow("cancelled") << "cancel";
        QTest::newRow("a listener raised") << "raise";
        QTest::newRow("shut-down") << "shut-down";
    }

    void listenerAsksAgainAsARunEndsByAnError() {
        // The listener asks for a name not yet tested from within the notification of a run that
        // ends by an error: the run still takes the name, so asking does not wait for the worker
        // (which waits for the listener).
        QFETCH(QString, end);
        LyFileStatusStartup();
        TLyFileStatusCalculator* calculator = FileStatusCalculator();
        TAskingFileListener listener;
        listener.Calculator = calculator;
        listener.Name = FFolder.WriteFile(QStringLiteral("asked when told.mp3"), "x");
        listener.RaiseOnce = end == u"raise";
        calculator->AddListener(&listener);
        // The worker cannot check before the main thread has delivered its start notification.
        calculator->GetStatus(FFolder.FilePath(QStringLiteral("a.mp3")));
        calculator->GetStatus(FFolder.FilePath(QStringLiteral("b.mp3")));
        if (end == u"shut-down") {
            LyFileStatusShutdown(); // stops the run after its first name
            QCOMPARE(listener.Changes, 1);
            QCOMPARE(listener.Status, fsUnknown);
            return;
        }
        if (end == u"cancel") {
            calculator->Process()->Cancel();
            calculator->Process()->WaitFor();
            QCOMPARE(listener.Changes, 1);
            // Left for the next request, which starts a run.
            QCOMPARE(calculator->GetStatus(listener.Name), fsUnknown);
        }
        // The name is answered, and the listener told (by the failed run itself when it raised).
        QTRY_COMPARE(listener.Status, fsExists);
        calculator->Process()->WaitFor();
        QCOMPARE(calculator->Process()->PendingCount(), 0);
        calculator->RemoveListener(&listener);
        LyFileStatusShutdown();
    }

    void libraryFileTest_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("passes");
        QTest::newRow("declaration")
            << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist/>") << true;
        QTest::newRow("capitals") << QByteArray("<?XML version=\"1.0\"?>") << true;
        QTest::newRow("byte-order mark")
            << QByteArray("\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n") << true;
        QTest::newRow("blank first") << QByteArray(" <?xml version=\"1.0\"?>") << false;
        QTest::newRow("not xml") << QByteArray("Name,Artist\nx,y\n") << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("declaration on the second line") << QByteArray("\n<?xml?>") << false;
        QTest::newRow("binary") << QByteArray("\x00\x01<?xml", 7) << false;
        QTest::newRow("two byte-order marks")
            << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF<?xml version=\"1.0\"?>") << false;
        QTest::newRow("cut in the declaration") << QByteArray("<?xm") << false;
    }

    void libraryFileTest() {
        QFETCH(QByteArray, content);
        QFETCH(bool, passes);
        QCOMPARE(IsLibraryFile(FFolder.WriteFile(QStringLiteral("library.xml"), content)), passes);
        QVERIFY(!IsLibraryFile(FFolder.FilePath(QStringLiteral("nothing here.xml"))));
        QVERIFY(!IsLibraryFile(FFolder.Path())); // a folder
    }

    void fileSize() {
        QCOMPARE(FileSize(FFolder.WriteFile(QStringLiteral("sized.xml"), QByteArray(1234, 'x'))),
                 1234);
        QCOMPARE(FileSize(FFolder.FilePath(QStringLiteral("no such file"))), 0);
        QCOMPARE(FileSize(FFolder.Path()), 0);
        // A sparse file just over 2 GiB takes no real disk space.
        const QString huge = FFolder.FilePath(QStringLiteral("huge.xml"));
        QFile file(huge);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(qint64(std::numeric_limits<int>::max()) + 1));
        file.close();
        QString message;
        LY_EXPECT_EXCEPTION(ELyProjectError, FileSize(huge), message);
        QVERIFY(message.contains(huge));
    }

private:
    TLyTempFolder FFolder;
};

QTEST_GUILESS_MAIN(TestLyUtils)
#include "tst_LyUtils.moc"
