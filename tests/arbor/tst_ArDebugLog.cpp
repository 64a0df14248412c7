// The debug output: its text device, and the writer against a viewer on a channel of this test
// run's own, so that parallel runs and a real viewer on the machine cannot interfere.
#include "ArDebugLog.h"
#include "ArMessageLog.h"
#include "LyTestHome.h"

#include <QDataStream>
#include <QRegularExpression>
#include <QTest>

#include <semaphore.h>
#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

void RemoveChannelObjects(const QString& channel) {
    const QByteArray base = "/" + channel.toUtf8();
    sem_unlink(base + "Mutex");
    sem_unlink(base + "Req");
    sem_unlink(base + "Ack");
    shm_unlink(base);
}

// Serves a viewer's requests on a thread of its own and collects the records.
class TViewerThread {
public:
    explicit TViewerThread(TArDebugViewer& viewer)
        : FViewer(viewer)
        , FThread([this] { Run(); }) {}
    ~TViewerThread() {
        FStop = true;
        FThread.join();
    }

    // The records received so far, once there are at least `count` (or after five seconds).
    QList<TArDebugRecord> WaitFor(qsizetype count) {
        std::unique_lock lock(FLock);
        FChanged.wait_for(lock, std::chrono::seconds(5), [&] { return FRecords.size() >= count; });
        return FRecords;
    }

    QStringList Texts(qsizetype count) {
        QStringList texts;
        for (const TArDebugRecord& record : WaitFor(count))
            texts << record.Text;
        return texts;
    }

private:
    void Run() {
        while (!FStop) {
            if (std::optional<TArDebugRecord> record = FViewer.Receive(20)) {
                const std::lock_guard lock(FLock);
                FRecords << *record;
                FChanged.notify_all();
            }
        }
    }

    TArDebugViewer& FViewer;
    std::atomic<bool> FStop{false};
    std::mutex FLock;
    std::condition_variable FChanged;
    QList<TArDebugRecord> FRecords;
    std::thread FThread;
};

std::unique_ptr<TArDebugViewer> OpenViewer(bool active) {
    auto viewer = std::make_unique<TArDebugViewer>(TLyTestHome::DebugChannel());
    QString error;
    if (!viewer->Open(&error))
        qWarning("%s", qPrintable(error));
    viewer->SetActive(active);
    return viewer;
}

// Stands in for the writer's clock: counts its waits for the viewer, and while Instant lets a
// wait that the semaphore cannot satisfy at once time out at once instead of a second later.
struct TWaitClock {
    bool Instant = false;
    int Waits = 0;
    int TimedOut = 0;
    TWaitClock() {
        ArDebugOutputSetWaitFunction([this](sem_t* semaphore, int timeoutMs) {
            ++Waits;
            const int result = !Instant ? ArDebugWaitBounded(semaphore, timeoutMs)
                               : sem_trywait(semaphore) == 0 ? 0
                                                             : ETIMEDOUT;
            TimedOut += result == ETIMEDOUT ? 1 : 0;
            return result;
        });
    }
    ~TWaitClock() { ArDebugOutputSetWaitFunction({}); }
};

quint32 ThreadId() {
    return quint32(gettid());
}

} // namespace

class TestArDebugLog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { RemoveChannelObjects(TLyTestHome::DebugChannel()); }

    void cleanup() {
        ArDebugOutputUninstall();
        while (ArDebugOutputDepth() > 0)
            ArDebugSend(QString(QChar(kArDebugDepthDown)));
        RemoveChannelObjects(TLyTestHome::DebugChannel());
    }

    void cleanupTestCase() { RemoveChannelObjects(TLyTestHome::DebugChannel()); }

    void textCutAtWholeCharacter_data() {
        QTest::addColumn<QString>("buffer");
        QTest::addColumn<QString>("received");
        QTest::newRow("ASCII") << QString(2000, u'x') << QString(1024, u'x');
        QTest::newRow("two-byte characters")
            << QString::fromUtf8("é").repeated(600) << QString::fromUtf8("é").repeated(512);
        QTest::newRow("three-byte characters")
            << QString::fromUtf8("€").repeated(400) << QString::fromUtf8("€").repeated(341);
    }

    void textCutAtWholeCharacter() {
        QFETCH(QString, buffer);
        QFETCH(QString, received);
        auto viewer = OpenViewer(true);
        TViewerThread served(*viewer);
        QCOMPARE(ArDebugSend(buffer), 0);
        const QList<TArDebugRecord> records = served.WaitFor(1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].Text, received);
        QCOMPARE(records[0].Raw.at(32 + received.toUtf8().size()), '\0');
    }

    void noViewerCostsNoWait() {
        TWaitClock clock;
        ArDebugOutputInstall();
        for (int i = 0; i < 1000; ++i)
            ArDebugWriteLine(QString("line %1").arg(i));
        // Without the channel's objects there is nothing to wait for.
        QCOMPARE(clock.Waits, 0);

        // The depth follows the markers whether a viewer listens or not.
        ArDebugIncreaseDepth();
        ArDebugIncreaseDepth();
        ArDebugDecreaseDepth();
        QCOMPARE(ArDebugOutputDepth(), 1);

        // A viewer that cannot create its channel says why.
        TArDebugViewer broken(QStringLiteral("no/such"));
        QString error;
        QVERIFY(!broken.Open(&error));
        QVERIFY2(error.startsWith("Cannot create [/no/such"), qPrintable(error));
    }

    void unresponsiveViewerCostsOneTimeout() {
        auto viewer = OpenViewer(true);
        TWaitClock clock;
        clock.Instant = true;
        ArDebugOutputInstall();
        // The mutex is free; the acknowledgement never comes, and the viewer is written off.
        QCOMPARE(clock.Waits, 2);
        QCOMPARE(clock.TimedOut, 1);
        QVERIFY(!viewer->Active());

        clock.Instant = false;
        clock.TimedOut = 0;
        TViewerThread served(*viewer);
        QTRY_VERIFY(viewer->Active());
        ArDebugWriteLine("answered");
        QCOMPARE(clock.TimedOut, 0);
        // The unanswered record was taken back, not delivered late.
        QCOMPARE(served.Texts(1), QStringList{"answered\r\n"});
    }

    void replacedViewer_data() {
        QTest::addColumn<bool>("firstCloses");
        QTest::addColumn<QStringList>("received");
        // A closed viewer lets the writer move on at once; a dead one costs the text in hand.
        QTest::newRow("first viewer closes")
            << true << QStringList{"between\r\n", "to the second\r\n", "still the second\r\n"};
        QTest::newRow("first viewer dies")
            << false << QStringList{"to the second\r\n", "still the second\r\n"};
    }

    void replacedViewer() {
        QFETCH(bool, firstCloses);
        QFETCH(QStringList, received);
        auto first = OpenViewer(true);
        {
            TViewerThread served(*first);
            ArDebugOutputInstall();
            served.WaitFor(1);
            ArDebugWriteLine("to the first");
            QCOMPARE(served.Texts(2).last(), QString("to the first\r\n"));
        }
        if (firstCloses)
            first->Close();
        auto second = OpenViewer(true);
        TViewerThread served(*second);
        ArDebugWriteLine("between");
        ArDebugWriteLine("to the second");
        // A viewer that ends after being replaced leaves the new one's objects alone.
        first.reset();
        ArDebugWriteLine("still the second");
        QCOMPARE(served.Texts(received.size()), received);
    }

    void linesArriveAsRecords() {
        auto viewer = OpenViewer(true);
        QVERIFY(viewer->IsOpen());
        TViewerThread served(*viewer);
        ArDebugOutputInstall();
        QCOMPARE(served.Texts(1), QStringList{"Log started for " +
                                              QCoreApplication::applicationFilePath() + "\r\n"});

        TArWriteLnMessageLog log(QString{});
        log.SetLineSink(&ArDebugWriteLine);
        log.Log("hello", "System", 0, mtInfo);
        const QList<TArDebugRecord> records = served.WaitFor(2);
        QCOMPARE(records.size(), 2);
        const TArDebugRecord& record = records[1];
        QVERIFY2(QRegularExpression(R"(^\[System\]\[\d\d:\d\d:\d\d\]\[Info\]: hello\r\n$)")
                     .match(record.Text)
                     .hasMatch(),
                 qPrintable(record.Text));

        // The layout a viewer built elsewhere relies on: text offset, process, thread, a zero
        // byte, zero, depth, then the text and its terminating zero.
        const QByteArray& raw = record.Raw;
        QDataStream header(raw);
        header.setByteOrder(QDataStream::LittleEndian);
        std::array<quint32, 8> at{}; // the header's words, at offsets 0, 4, ... 28
        for (quint32& word : at)
            header >> word;
        QCOMPARE(
            QList<quint32>({quint32(raw.size()), at[0], at[3], at[4], at[5] & 0xFF, at[6], at[7]}),
            QList<quint32>({1060, 32, quint32(getpid()), ThreadId(), 0, 0, 0}));
        QVERIFY(record.ModuleHandle != 0);
        QCOMPARE(raw.mid(32, record.Text.size() + 1), record.Text.toUtf8() + '\0');

        quint32 workerId = 0;
        std::thread worker([&workerId] {
            workerId = ThreadId();
            ArDebugWriteLine("from a worker");
        });
        worker.join();
        const QList<TArDebugRecord> all = served.WaitFor(3);
        QCOMPARE(all.size(), 3);
        QCOMPARE(all[2].Text, QString("from a worker\r\n"));
        QCOMPARE(all[2].ProcessId, quint32(getpid()));
        QCOMPARE(all[2].ThreadId, workerId);
        QVERIFY(workerId != ThreadId());
    }

    void writesArriveAsRecords_data() {
        QTest::addColumn<QStringList>("lines");       // ">" and "<" change the depth
        QTest::addColumn<QStringList>("records");     // depth:text
        const auto chunks = [](const QString& line) { // a full buffer is sent as it is
            QStringList records;
            for (qsizetype i = 0; i < line.size() + 2; i += 128)
                records << "0:" + (line + "\r\n").mid(i, 128);
            return records;
        };
        for (const QString& line : {QString(126, u'a'), QString(127, u'b'), QString(300, u'c'),
                                    QString::fromUtf8("é€ab").repeated(250)})
            QTest::addRow("%d characters", int(line.size())) << QStringList{line} << chunks(line);
        // A text that happens to start a buffer with the marker's character is text.
        const QString x128(128, u'x');
        QTest::newRow("depth markers")
            << QStringList{">", "inner", "<", "outer", x128 + QString::fromUtf8("þorn")}
            << QStringList{"1:inner\r\n", "0:outer\r\n", "0:" + x128,
                           QString::fromUtf8("0:þorn\r\n")};
    }

    void writesArriveAsRecords() {
        QFETCH(QStringList, lines);
        QFETCH(QStringList, records);
        auto viewer = OpenViewer(true);
        TViewerThread served(*viewer);
        ArDebugOutputInstall();
        served.WaitFor(1);
        for (const QString& line : lines) {
            if (line == u">")
                ArDebugIncreaseDepth();
            else if (line == u"<")
                ArDebugDecreaseDepth();
            else
                ArDebugWriteLine(line);
        }
        QStringList received;
        for (const TArDebugRecord& record : served.WaitFor(records.size() + 1).mid(1))
            received << QString::number(record.Depth) + u':' + record.Text;
        QCOMPARE(received, records);
    }

    void deviceBuffers_data() {
        QTest::addColumn<QStringList>("writes");
        QTest::addColumn<QStringList>("flushed");
        QTest::addColumn<QString>("pending");
        const QString x127(127, u'x');
        QTest::newRow("line") << QStringList{"abc\r\n"} << QStringList{"abc\r\n"} << "";
        QTest::newRow("no line end") << QStringList{"abc"} << QStringList{} << "abc";
        QTest::newRow("pieces of one line")
            << QStringList{"ab", "cd\r\n"} << QStringList{"abcd\r\n"} << "";
        QTest::newRow("two lines in one write")
            << QStringList{"a\r\nb\r\nc"} << QStringList{"a\r\n", "b\r\n"} << "c";
        QTest::newRow("lone line feed") << QStringList{"a\nb\r"} << QStringList{} << "a\nb\r";
        QTest::newRow("CR and LF in separate writes")
            << QStringList{"a\r", "\nb"} << QStringList{"a\r\n"} << "b";
        QTest::newRow("full buffer")
            << QStringList{QString(130, u'y')} << QStringList{QString(128, u'y')} << "yy";
        QTest::newRow("CR LF split by a full buffer")
            << QStringList{x127 + "\r\n"} << QStringList{x127 + "\r", "\n"} << "";
        QTest::newRow("surrogate pair kept whole") << QStringList{x127 + QString::fromUtf8("😀")}
                                                   << QStringList{x127} << QString::fromUtf8("😀");
    }

    void deviceBuffers() {
        QFETCH(QStringList, writes);
        QFETCH(QStringList, flushed);
        QFETCH(QString, pending);
        QStringList sent;
        TArDebugTextDevice device([&sent](QStringView buffer) {
            sent << buffer.toString();
            return 0;
        });
        for (const QString& text : writes)
            QCOMPARE(device.Write(text), 0);
        QCOMPARE(sent, flushed);
        QCOMPARE(device.Pending().toString(), pending);
    }

private:
    TLyTestHome FHome; // the debug output goes to a channel of this run's own
};

QTEST_GUILESS_MAIN(TestArDebugLog)
#include "tst_ArDebugLog.moc"
