// Restarting processes: a start while a cancelled run unwinds, starts asked for by listeners
// from within notifications and while the main thread waits for the worker, and a stress run
// of start, cancel, restart and owners going away.
#include "LyProcess.h"
#include "LyProcessRecorder.h"

#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <random>

namespace {

// Records, and calls Restart whenever a main task has finished.
class TRestarter : public TRecorder {
public:
    std::function<void(TLyProcess* process)> Restart;

    void TaskFinished(ILyProcessTask* t) override {
        TRecorder::TaskFinished(t);
        if (t->IsMainTask() && Restart)
            Restart(t->Process());
    }
};

} // namespace

class TestLyProcessRestarts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { VxThreadsStartup(); }
    void cleanupTestCase() { VxThreadsShutdown(); }

    void restartWhileCancellingWaitsForTheOldWorker() {
        TRecorder recorder; // outlives the owner, which tells it when it goes
        TOwner owner;
        owner.Listeners()->AddListener(&recorder);
        std::atomic<bool> firstStarted{false};
        std::atomic<bool> firstEnded{false};
        owner.Process()->Start(QStringLiteral("Refresh"), [&](TVxPausableThread& thread) {
            owner.Process()->StartMainTask(1, QStringLiteral("First"));
            firstStarted.store(true);
            while (!thread.Terminated())
                std::this_thread::yield();
            QThread::msleep(30); // still unwinding when the restart comes
            firstEnded.store(true);
        });
        QTRY_VERIFY(firstStarted.load());
        owner.Process()->Cancel();
        bool firstEndedBeforeSecond = false;
        owner.Process()->Start(QStringLiteral("Refresh"), [&](TVxPausableThread&) {
            firstEndedBeforeSecond = firstEnded.load();
            owner.Process()->StartMainTask(1, QStringLiteral("Second"))->Finish();
        });
        owner.Process()->WaitFor();
        QVERIFY(firstEndedBeforeSecond);
        QCOMPARE(recorder.Events,
                 (QStringList{"Started:First", "Cancelled:First", "Finished(cancelled):First",
                              "Started:Second", "Finished:Second"}));
    }

    void listenerRestartsTheProcess_data() {
        QTest::addColumn<QString>("during");
        QTest::addColumn<QStringList>("events");
        const QStringList cancelled{"Started:First", "Cancelled:First", "Finished(cancelled):First",
                                    "Started:Restarted", "Finished:Restarted"};
        // The restart comes later than the start that waits: it runs instead.
        QTest::newRow("the wait of a start") << "start" << cancelled;
        QTest::newRow("another worker's call in the wait of a start")
            << "other"
            << QStringList{"Started:First",     "Cancelled:First",           "Started:Other",
                           "Finished:Other",    "Finished(cancelled):First", "Started:Restarted",
                           "Finished:Restarted"};
        QTest::newRow("a wait for the worker") << "wait" << cancelled;
        // Delivered by the event loop while the worker waits for the listener.
        QTest::newRow("a notification") << "delivery"
                                        << QStringList{"Started:First", "Finished:First",
                                                       "Started:Restarted", "Finished:Restarted"};
        QTest::newRow("the destruction (dropped)")
            << "destruction" << QStringList{"Started:First", "Finished:First"};
    }

    void listenerRestartsTheProcess() {
        QFETCH(QString, during);
        QFETCH(QStringList, events);
        TRestarter listener; // outlives the processes
        TLyProcess other;
        other.SetListener(&listener);
        auto process = std::make_unique<TLyProcess>();
        TLyProcess* p = process.get();
        p->SetListener(&listener);
        // The end of a main task of `trigger` restarts p once, as a view's refresh restarts.
        TLyProcess* trigger = during == u"other" ? &other : p;
        std::atomic<bool> restarted{false};
        std::atomic<int> completed{0};
        listener.Restart = [&](TLyProcess* finished) {
            if (finished != trigger || restarted.exchange(true))
                return;
            p->CancelIfRunning();
            p->Start(QStringLiteral("Restart"), [&](TVxPausableThread&) {
                ILyProcessTask* main = p->StartMainTask(10, QStringLiteral("Restarted"));
                for (int i = 0; i < 10; ++i) { // long enough for a start that waits to stop it
                    QThread::msleep(2);
                    main->Step();
                    p->CheckCancelled();
                }
                main->Finish();
                completed.fetch_add(1);
            });
        };
        const bool endsAlone = during == u"delivery";
        const bool awaitsRestart = during == u"other";
        std::atomic<bool> firstRunning{false};
        p->Start(QStringLiteral("First"), [&, endsAlone, awaitsRestart](TVxPausableThread& thread) {
            p->StartMainTask(1, QStringLiteral("First"));
            firstRunning.store(true);
            while (!endsAlone && !thread.Terminated())
                std::this_thread::yield();
            while (awaitsRestart && !restarted.load()) // so the other call comes during the wait
                std::this_thread::yield();
        });
        QTRY_VERIFY(firstRunning.load());
        bool outerRan = false;
        if (during == u"start" || during == u"other") {
            p->Cancel();
            if (during == u"other")
                other.Start(QStringLiteral("Other"), [&](TVxPausableThread&) {
                    other.StartMainTask(1, QStringLiteral("Other"))->Finish();
                });
            p->Start(QStringLiteral("Outer"), [&](TVxPausableThread&) { outerRan = true; });
            p->WaitFor();
        } else if (during == u"wait") {
            p->Cancel();
            p->WaitFor();
        } else if (during == u"delivery") {
            QTRY_COMPARE(completed.load(), 1);
            p->WaitFor();
        } else {
            process.reset();
        }
        QCOMPARE(completed.load(), during == u"destruction" ? 0 : 1);
        QVERIFY(!outerRan);
        QCOMPARE(listener.Events.filter(QRegularExpression(QStringLiteral("^(?!Progressed)"))),
                 events);
        QCOMPARE(listener.OffMainThread, 0);
    }

    void stressStartCancelRestart() {
        // Starts, cancels and restarts processes with several listeners while their work steps
        // tasks, and destroys owners while they run; a listener restarts processes when their runs
        // finish, also while the main thread waits for them: no deadlock, no race, every run ends
        // with a finish for each task that started, and no run is stopped unless it was cancelled
        // or its owner is going.
        constexpr int kOwners = 3;
        constexpr int kStarts = 2000;
        constexpr int kRestarts = 200;
        std::mt19937 random(6122026);
        TRestarter listeners[3];
        std::atomic<int> stoppedUnasked{0};
        std::atomic<int> tasks{0};
        auto work = [&](TOwner* owner) {
            return [&, owner](TVxPausableThread& thread) {
                TLyProcess* process = owner->Process();
                struct TCheckStop {
                    TVxPausableThread& Thread;
                    TLyProcess* Process;
                    TOwner* Owner;
                    std::atomic<int>& Count;
                    ~TCheckStop() {
                        if (Thread.Terminated() && !Process->CancelRequested() &&
                            !Owner->Going.load())
                            Count.fetch_add(1);
                    }
                } check{thread, process, owner, stoppedUnasked};
                ILyProcessTask* main = process->StartMainTask(3, QStringLiteral("Main"));
                tasks.fetch_add(1);
                for (int s = 0; s < 3 && !thread.Terminated(); ++s) {
                    ILyProcessTask* sub = main->StartSubTask(60, QStringLiteral("Sub"));
                    tasks.fetch_add(1);
                    for (int i = 0; i < 60; ++i) {
                        sub->Step();
                        process->CheckCancelled();
                    }
                    sub->Finish();
                    main->Step();
                }
                main->Finish();
            };
        };
        std::unique_ptr<TOwner> owners[kOwners];
        int restarts = 0;
        std::mt19937 listenerRandom(19022006);
        listeners[0].Restart = [&](TLyProcess* process) {
            for (auto& owner : owners) {
                if (owner && owner->Process() == process && process->Alive() &&
                    listenerRandom() % 3 == 0) {
                    process->CancelIfRunning();
                    process->Start(QStringLiteral("Refresh"), work(owner.get()));
                    ++restarts;
                }
            }
        };
        auto fresh = [&](int i) {
            owners[i] = std::make_unique<TOwner>();
            for (TRecorder& l : listeners)
                owners[i]->Listeners()->AddListener(&l);
        };
        for (int i = 0; i < kOwners; ++i)
            fresh(i);
        // A fixed number of starts of either kind, however many operations a busy machine needs
        // for them (a run still going refuses a start).
        int starts = 0;
        int operations = 0;
        for (; starts < kStarts || restarts < kRestarts; ++operations) {
            QVERIFY2(operations < 1000000,
                     qPrintable(QString("%1 starts, %2 restarts").arg(starts).arg(restarts)));
            const int i = int(random() % kOwners);
            TLyProcess* process = owners[i]->Process();
            switch (random() % 5) {
            case 0:
            case 1:
                if (!process->Running()) {
                    process->Start(QStringLiteral("Refresh"), work(owners[i].get()));
                    ++starts;
                }
                break;
            case 2:
                process->CancelIfRunning(); // the run may end between a check and a Cancel
                break;
            case 3:
                fresh(i); // destroys the old owner while its process may run
                break;
            default:
                ProcessMainThreadCalls();
                break;
            }
        }
        for (auto& owner : owners)
            owner->Process()->WaitFor();
        qInfo("%d runs started and %d restarted by a listener in %d operations", starts, restarts,
              operations);
        QCOMPARE(stoppedUnasked.load(), 0);
        for (TRecorder& l : listeners) {
            QCOMPARE(l.OffMainThread, 0);
            const qsizetype started = l.Events.filter(QStringLiteral("Started:")).size();
            const qsizetype finished = l.Events.filter(QStringLiteral("Finished")).size();
            QCOMPARE(started, qsizetype(tasks.load())); // every task, to every listener, once
            QCOMPARE(finished, started);
            QVERIFY(l.Events.filter(QStringLiteral("Failed")).isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestLyProcessRestarts)
#include "tst_LyProcessRestarts.moc"
