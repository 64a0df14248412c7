// Worker threads and the hand-over of calls to the main thread, including a stress run that
// must neither deadlock nor race (it also runs under ThreadSanitizer).
#include "LyTestSupport.h"
#include "VxThreads.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <atomic>
#include <memory>
#include <random>
#include <vector>

namespace {

// Counts hand-overs and checks that each ran on the main thread; touched only there.
struct TMainThreadCounter {
    int Calls = 0;
    int OffMainThread = 0;
    void Hit() {
        ++Calls;
        if (!IsMainThread())
            ++OffMainThread;
    }
};

class TSelfDeletingThread : public TVxPausableThread {
public:
    explicit TSelfDeletingThread(std::atomic<bool>& destroyed)
        : FDestroyed(destroyed) {}
    ~TSelfDeletingThread() override { FDestroyed.store(true); }

private:
    std::atomic<bool>& FDestroyed;
};

} // namespace

class TestVxThreads : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { VxThreadsStartup(); }
    void cleanupTestCase() { VxThreadsShutdown(); }

    void callsRunOnMainThreadWhileItWaits() {
        TMainThreadCounter counter;
        TVxPausableThread thread([&](TVxPausableThread&) {
            for (int i = 0; i < 500; ++i)
                RunOnMainThread([&] { counter.Hit(); });
        });
        thread.Resume();
        thread.WaitFor();
        QCOMPARE(counter.Calls, 500);
        QCOMPARE(counter.OffMainThread, 0);
        QVERIFY(thread.Done());
        // On the main thread itself the call runs at once, leaving nothing to hand over.
        RunOnMainThread([&] { counter.Hit(); });
        QCOMPARE(counter.Calls, 501);
        QCOMPARE(ProcessMainThreadCalls(), 0);
    }

    void callsRunFromTheEventLoop() {
        TMainThreadCounter counter;
        std::atomic<bool> handedOver{false};
        TVxPausableThread thread([&](TVxPausableThread&) {
            for (int i = 0; i < 50; ++i)
                RunOnMainThread([&] { counter.Hit(); });
            handedOver.store(true);
        });
        thread.Resume();
        // Only the event loop runs here: nobody waits for the thread until every call has run.
        QTRY_VERIFY_WITH_TIMEOUT(handedOver.load(), 20000);
        QCOMPARE(counter.Calls, 50);
        QCOMPARE(counter.OffMainThread, 0);
        thread.WaitFor();
    }

    void exceptionOfCallReachesTheWorker() {
        QString caught;
        TVxPausableThread thread([&](TVxPausableThread&) {
            try {
                RunOnMainThread([] { throw Exception(QStringLiteral("Disk full")); });
            } catch (const Exception& e) {
                caught = e.Message();
            }
        });
        thread.Resume();
        thread.WaitFor();
        QCOMPARE(caught, QStringLiteral("Disk full"));
        QVERIFY(!thread.FatalException());
    }

    void callMayWaitForAnotherWorker() {
        // A notification delivered on the main thread restarts another worker and waits for it,
        // while that worker itself hands calls over: the nested wait must keep running them.
        TMainThreadCounter counter;
        auto inner = std::make_unique<TVxPausableThread>([&](TVxPausableThread&) {
            for (int i = 0; i < 20; ++i)
                RunOnMainThread([&] { counter.Hit(); });
        });
        TVxPausableThread outer([&](TVxPausableThread&) {
            RunOnMainThread([&] {
                inner->Resume();
                inner->WaitFor();
                counter.Hit();
            });
        });
        outer.Resume();
        outer.WaitFor();
        QCOMPARE(counter.Calls, 21);
        QCOMPARE(counter.OffMainThread, 0);
    }

    void flagsFollowTheWork_data() {
        QTest::addColumn<bool>("raises");
        QTest::newRow("work returns") << false;
        QTest::newRow("work raises") << true;
    }

    void flagsFollowTheWork() {
        QFETCH(bool, raises);
        std::atomic<bool> release{false};
        std::atomic<bool> doneSeenInside{true};
        TVxPausableThread thread([&](TVxPausableThread& self) {
            doneSeenInside.store(self.Done());
            while (!release.load())
                std::this_thread::yield();
            if (raises)
                throw Exception(QStringLiteral("broken"));
        });
        QVERIFY(!thread.Done());
        QVERIFY(!thread.Finished());
        thread.Resume();
        release.store(true);
        thread.WaitFor();
        QVERIFY(!doneSeenInside.load());
        QVERIFY(thread.Done());
        QVERIFY(thread.Finished());
        QVERIFY(!thread.Terminated());
        QCOMPARE(bool(thread.FatalException()), raises);
    }

    void terminateAndWaitStartsASuspendedThreadToStopIt() {
        int runs = 0;
        bool sawTerminated = false;
        TVxPausableThread thread([&](TVxPausableThread& self) {
            ++runs;
            sawTerminated = self.Terminated();
        });
        thread.TerminateAndWait();
        QCOMPARE(runs, 1);
        QVERIFY(sawTerminated);
        QVERIFY(thread.Done());
        {
            TVxPausableThread never([&](TVxPausableThread&) { ++runs; });
            never.WaitFor(); // a thread never started needs no wait
        }
        QCOMPARE(runs, 1);
    }

    void destructionWaitsForTheWork() {
        std::atomic<int> steps{0};
        {
            TVxPausableThread thread([&](TVxPausableThread& self) {
                while (!self.Terminated()) {
                    steps.fetch_add(1);
                    RunOnMainThread([] {});
                }
            });
            thread.Resume();
            QTRY_VERIFY(steps.load() > 10);
        }
        const int after = steps.load();
        QTest::qWait(20);
        QCOMPARE(steps.load(), after);
    }

    void freeOnTerminateThreadDeletesItself() {
        std::atomic<bool> destroyed{false};
        auto* thread = new TSelfDeletingThread(destroyed);
        thread->SetFreeOnTerminate(true);
        thread->Resume();
        QTRY_VERIFY(destroyed.load());
    }

    void waitingOnItselfIsAnAssertion() {
        bool asserted = false;
        TVxPausableThread thread([&](TVxPausableThread& self) {
            try {
                self.WaitFor();
            } catch (const EAssertionFailed&) {
                asserted = true;
            }
        });
        thread.Resume();
        thread.WaitFor();
        QVERIFY(asserted);
    }

    void stressStartWaitRestart() {
        // Several workers hand over calls as fast as they can while the main thread starts them,
        // waits for them, stops them half-way and restarts them, in a random mix.
        constexpr int kWorkers = 4;
        constexpr int kRounds = 150;
        constexpr int kCallsPerRun = 150;
        std::mt19937 random(20261206);
        TMainThreadCounter counter;
        std::atomic<int> handedOver{0};
        auto work = [&](TVxPausableThread& self) {
            for (int i = 0; i < kCallsPerRun && !self.Terminated(); ++i) {
                RunOnMainThread([&] { counter.Hit(); });
                handedOver.fetch_add(1);
            }
        };
        std::vector<std::unique_ptr<TVxPausableThread>> workers(kWorkers);
        QElapsedTimer clock;
        clock.start();
        for (int round = 0; round < kRounds; ++round) {
            for (auto& worker : workers) {
                switch (random() % 4) {
                case 0: // restart: wait for the previous run, then start a new one
                    if (worker)
                        worker->WaitFor();
                    worker = std::make_unique<TVxPausableThread>(work);
                    worker->Resume();
                    break;
                case 1: // stop half-way
                    if (worker)
                        worker->TerminateAndWait();
                    break;
                case 2: // destroy while running
                    worker.reset();
                    break;
                default: // let the event loop deliver for a moment
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
                    break;
                }
            }
        }
        for (auto& worker : workers)
            if (worker)
                worker->WaitFor();
        qInfo("%d calls handed over in %lld ms", counter.Calls,
              static_cast<long long>(clock.elapsed()));
        QCOMPARE(counter.Calls, handedOver.load());
        QVERIFY(counter.Calls > kCallsPerRun); // the mix really ran workers
        QCOMPARE(counter.OffMainThread, 0);
        QCOMPARE(ProcessMainThreadCalls(), 0);
    }
};

QTEST_GUILESS_MAIN(TestVxThreads)
#include "tst_VxThreads.moc"
