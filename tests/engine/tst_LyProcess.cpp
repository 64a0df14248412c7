// Processes, tasks and listeners: the order of notifications, progress throttling, failure and
// cancel handling, helpers, and owners going away; restarts: a start while a cancelled run
// unwinds, starts asked for by listeners from within notifications and while the main thread
// waits for the worker, and a stress run of start, cancel, restart and owners going away.
#include "ArMessageLog.h"
#include "LyProcess.h"
#include "LyProcessRecorder.h"
#include "LyTestSupport.h"

#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <random>

namespace {

QStringList Repeat(const QString& event, int times) {
    QStringList events;
    for (int i = 0; i < times; ++i)
        events << event;
    return events;
}

QStringList LoggedLines() {
    return TakeLoggedLines(false, QStringLiteral("Default"));
}

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

class TestLyProcess : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        VxThreadsStartup();
        ArMessageLogStartup();
    }
    void cleanupTestCase() {
        ArMessageLogShutdown();
        VxThreadsShutdown();
    }
    void init() { LoggedLines(); }

    void stepsOfAMainTask() {
        TRecorder recorder; // outlives the owner, which tells it when it goes
        TOwner owner;
        owner.Listeners()->AddListener(&recorder);
        owner.Process()->SetName(QStringLiteral("Project"));
        owner.Process()->Start(QStringLiteral("Load Libraries"), [&](TVxPausableThread&) {
            ILyProcessTask* main = owner.Process()->StartMainTask(5, QStringLiteral("Main"));
            for (int i = 0; i < 3; ++i)
                main->Step();
            main->Step(QStringLiteral("Clearing song list..."));
            main->SetPosition(5);
            main->Finish();
        });
        owner.Process()->WaitFor();
        QCOMPARE(recorder.Events, QStringList{"Started:Main"} + Repeat("Progressed:Main", 3) +
                                      Repeat("Progressed:Clearing song list...", 2) +
                                      QStringList{"Finished:Clearing song list..."});
        QCOMPARE(recorder.ProgressPositions, (QList<int>{1, 2, 3, 4, 5}));
        QCOMPARE(recorder.OffMainThread, 0);
        QCOMPARE(owner.Process()->RunName(), QStringLiteral("Load Libraries"));
        QVERIFY(!owner.Process()->Running());
        QCOMPARE(owner.Process()->TaskCount(), 0); // freed at the end of the run
        QCOMPARE(LoggedLines(), (QStringList{"[Project] Start task [Main]",
                                             "[Project] Finish task [Clearing song list...]"}));
    }

    void progressIsThrottled_data() {
        QTest::addColumn<int>("stepCount");
        QTest::addColumn<int>("steps");
        QTest::addColumn<QList<int>>("positions");
        QList<int> everyTwentyFirst;
        for (int p = 21; p <= 987; p += 21)
            everyTwentyFirst << p;
        QTest::newRow("1000 steps: every 21st, none after 987") << 1000 << 1000 << everyTwentyFirst;
        QTest::newRow("49 steps: every step") << 49 << 3 << QList<int>{1, 2, 3};
        QTest::newRow("100 steps: every 3rd") << 100 << 9 << QList<int>{3, 6, 9};
    }

    void progressIsThrottled() {
        QFETCH(int, stepCount);
        QFETCH(int, steps);
        QFETCH(QList<int>, positions);
        TRecorder recorder; // outlives the owner, which tells it when it goes
        TOwner owner;
        owner.Listeners()->AddListener(&recorder);
        owner.Process()->Start(QStringLiteral("Run"), [&](TVxPausableThread&) {
            ILyProcessTask* main = owner.Process()->StartMainTask(1, QStringLiteral("Main"));
            ILyProcessTask* sub = main->StartSubTask(stepCount, QStringLiteral("Sub"));
            for (int i = 0; i < steps; ++i)
                sub->Step();
            sub->Finish();
            main->Finish();
        });
        owner.Process()->WaitFor();
        QCOMPARE(recorder.ProgressPositions, positions);
    }

    void failureFailsThenFinishesInnermostFirst() {
        TRecorder recorder; // outlives the owner, which tells it when it goes
        TOwner owner;
        owner.Listeners()->AddListener(&recorder);
        owner.Process()->SetName(QStringLiteral("P"));
        owner.Process()->Start(QStringLiteral("Run"), [&](TVxPausableThread&) {
            ILyProcessTask* main = owner.Process()->StartMainTask(2, QStringLiteral("Main"));
            main->StartSubTask(10, QStringLiteral("Sub"));
            throw Exception(QStringLiteral("Disk full"));
        });
        owner.Process()->WaitFor();
        QCOMPARE(recorder.Events,
                 (QStringList{"Started:Main", "Started:Sub", "Failed:Disk full", "Failed:Disk full",
                              "Finished:Disk full", "Finished:Disk full"}));
        QCOMPARE(LoggedLines(),
                 (QStringList{"[P] Start task [Main]", "[P] Start task [Sub]",
                              "[P] Error in task [Disk full]", "[P] Error in task [Disk full]",
                              "[P] Finish task [Disk full]", "[P] Finish task [Disk full]"}));
    }

    void cancelNotifiesAtOnceAndFinishesLater() {
        TRecorder recorder; // outlives the owner, which tells it when it goes
        TOwner owner;
        owner.Listeners()->AddListener(&recorder);
        std::atomic<bool> looping{false};
        std::atomic<int> raised{0};
        owner.Process()->Start(QStringLiteral("Run"), [&](TVxPausableThread&) {
            ILyProcessTask* main = owner.Process()->StartMainTask(1, QStringLiteral("Main"));
            ILyProcessTask* sub = main->StartSubTask(1000000, QStringLiteral("Sub"));
            try {
                for (;;) {
                    sub->Step();
                    looping.store(true);
                    owner.Process()->CheckCancelled();
                }
            } catch (const ELyProcessCancelled&) {
                raised.fetch_add(1);
            }
            for (int i = 0; i < 3; ++i) { // raised once per request: later checks pass
                try {
                    owner.Process()->CheckCancelled();
                } catch (const ELyProcessCancelled&) {
                    raised.fetch_add(1);
                }
            }
            throw ELyProcessCancelled();
        });
        QTRY_VERIFY(looping.load());
        owner.Process()->Cancel();
        QVERIFY(!owner.Process()->Running());
        // Delivered at once, on the main thread, deepest first.
        const QStringList beforeEnd = recorder.Events.filter(QStringLiteral("Cancelled"));
        QCOMPARE(beforeEnd, (QStringList{"Cancelled:Sub", "Cancelled:Main"}));
        owner.Process()->WaitFor();
        QCOMPARE(raised.load(), 1);
        QVERIFY(recorder.Events.filter(QStringLiteral("Failed")).isEmpty());
        QCOMPARE(recorder.Events.mid(recorder.Events.size() - 2),
                 (QStringList{"Finished(cancelled):Sub", "Finished(cancelled):Main"}));
    }

    void helperStopsOnCancelWithoutTakingTheWorkersRaise() {
        TOwner owner;
        TLyProcess* process = owner.Process();
        std::atomic<bool> ready{false};
        std::atomic<int> helperChecksAfterCancel{0};
        bool workerRaised = false;
        bool helperRaised = false;
        process->Start(QStringLiteral("Run"), [&](TVxPausableThread&) {
            process->StartMainTask(1, QStringLiteral("Main"));
            TLyProcessHelper helper([&] {
                for (;;) {
                    // Read first: a cancel that comes during the check may miss it.
                    const bool requested = process->CancelRequested();
                    process->CheckCancelled();
                    if (requested)
                        ++helperChecksAfterCancel; // a check that did not raise
                    std::this_thread::yield();
                }
            });
            ready.store(true);
            try {
                for (;;) {
                    process->CheckCancelled();
                    std::this_thread::yield();
                }
            } catch (const ELyProcessCancelled&) {
                workerRaised = true;
            }
            try {
                helper.Join();
            } catch (const ELyProcessCancelled&) {
                helperRaised = true;
            }
        });
        QTRY_VERIFY(ready.load());
        process->Cancel();
        process->WaitFor();
        QVERIFY(workerRaised);
        QVERIFY(helperRaised);
        QCOMPARE(helperChecksAfterCancel.load(), 0);
    }

    void helperErrorReachesTheWorker() {
        TRecorder recorder;
        TOwner owner;
        owner.Listeners()->AddListener(&recorder);
        TLyProcess* process = owner.Process();
        process->Start(QStringLiteral("Run"), [&](TVxPausableThread&) {
            process->StartMainTask(1, QStringLiteral("Main"));
            TLyProcessHelper helper(
                [] { throw Exception(QStringLiteral("Library file [two.xml] is empty.")); });
            helper.Join();
            process->MainTask()->Step(QStringLiteral("Not reached"));
        });
        process->WaitFor();
        // The failed task carries the helper's message, which names the file.
        QCOMPARE(recorder.Events,
                 (QStringList{"Started:Main", "Failed:Library file [two.xml] is empty.",
                              "Finished:Library file [two.xml] is empty."}));
    }

    void helperIsStoppedWhenTheWorkerFails() {
        TOwner owner;
        TLyProcess* process = owner.Process();
        std::atomic<bool> helperRunning{false};
        std::atomic<bool> helperStopped{false};
        process->Start(QStringLiteral("Run"), [&](TVxPausableThread&) {
            process->StartMainTask(1, QStringLiteral("Main"));
            TLyProcessHelper helper([&] {
                helperRunning.store(true);
                try {
                    for (;;) {
                        process->CheckCancelled();
                        std::this_thread::yield();
                    }
                } catch (const ELyProcessCancelled&) {
                    helperStopped.store(true);
                    throw;
                }
            });
            while (!helperRunning.load())
                std::this_thread::yield();
            throw Exception(
                QStringLiteral("Library file [one.xml] is empty.")); // unwinds the helper
        });
        process->WaitFor();
        QVERIFY(helperStopped.load());
        QVERIFY(!process->CancelRequested());
    }

    void taskLevelsAreReused() {
        // Driven on the main thread without Start: notifications arrive directly.
        TRecorder recorder; // outlives the owner, which tells it when it goes
        TOwner owner;
        owner.Listeners()->AddListener(&recorder);
        TLyProcess* process = owner.Process();
        ILyProcessTask* main = process->StartMainTask(2, QStringLiteral("Main"));
        ILyProcessTask* sub = main->StartSubTask(4, QStringLiteral("Sub"));
        sub->Step();
        LY_EXPECT_ASSERTION(process->StartTask(1, 3, QStringLiteral("Again")), "Units/LyProcess");
        sub->Finish();
        ILyProcessTask* again = main->StartSubTask(3, QStringLiteral("Again"));
        QCOMPARE(again, sub);
        QCOMPARE(again->Position(), 0);
        QCOMPARE(again->StepCount(), 3);
        QCOMPARE(process->TaskCount(), 2);
        LY_EXPECT_ASSERTION(process->StartTask(3, 1, QStringLiteral("Gap")), "Units/LyProcess");
        again->Finish();
        main->Finish();
        QCOMPARE(recorder.Events.last(), QStringLiteral("Finished:Main"));
        QCOMPARE(process->TaskCount(), 2); // stay until the clean-up of a later run
    }

    void preconditions() {
        TOwner owner;
        TLyProcess* process = owner.Process();
        LY_EXPECT_ASSERTION(process->MainTask(), "Units/LyProcess");
        LY_EXPECT_ASSERTION(process->Cancel(), "Units/LyProcess");
        LY_EXPECT_ASSERTION(process->Start(QStringLiteral("Run"), {}), "Units/LyProcess");
        std::atomic<bool> release{false};
        process->Start(QStringLiteral("Run"), [&](TVxPausableThread&) {
            while (!release.load())
                std::this_thread::yield();
        });
        LY_EXPECT_ASSERTION(process->Start(QStringLiteral("Again"), [](TVxPausableThread&) {}),
                            "Units/LyProcess");
        release.store(true);
        process->WaitFor();
        // A run that has ended (as one may between a check and a cancel) is left alone.
        process->CancelIfRunning();
        QVERIFY(!process->CancelRequested());

        ILyProcessTask* task = process->StartMainTask(1, QStringLiteral("Main"));
        task->Finish();
        LY_EXPECT_ASSERTION(task->Step(), "Units/LyProcess");
        LY_EXPECT_ASSERTION(task->Finish(), "Units/LyProcess");
        LY_EXPECT_ASSERTION(task->Fail(QStringLiteral("x")), "Units/LyProcess");

        // A worker may not restart its own process.
        QString fromWorker;
        process->Start(QStringLiteral("Run"), [&](TVxPausableThread& thread) {
            thread.Terminate(); // so that Running() is false and the own-thread check is reached
            try {
                process->Start(QStringLiteral("Nested"), [](TVxPausableThread&) {});
            } catch (const EAssertionFailed& e) {
                fromWorker = e.Message();
            }
        });
        process->WaitFor();
        QVERIFY2(fromWorker.contains(QStringLiteral("Units/LyProcess")), qPrintable(fromWorker));
    }

    void ownerGoingAwayStopsItsWorker() {
        TRecorder recorder;
        std::atomic<bool> looping{false};
        {
            TOwner owner;
            recorder.DetachFrom = owner.Listeners();
            owner.Listeners()->AddListener(&recorder);
            owner.Process()->Start(QStringLiteral("Run"), [&](TVxPausableThread&) {
                ILyProcessTask* main =
                    owner.Process()->StartMainTask(1000000, QStringLiteral("Main"));
                for (;;) {
                    main->Step();
                    looping.store(true);
                    owner.Process()->CheckCancelled();
                }
            });
            QTRY_VERIFY(looping.load());
        } // the destructor waits for the worker
        QCOMPARE(recorder.Events.first(), QStringLiteral("Started:Main"));
        QVERIFY(recorder.Events.contains(QStringLiteral("OwnerDestroying")));
        // Detached before the run's clean-up: it hears nothing after going.
        QCOMPARE(recorder.Events.last(), QStringLiteral("OwnerDestroying"));
    }

    void ownerDestroyingReachesEveryListenerOnce() {
        TRecorder stays;
        TRecorder leavesA;
        TRecorder leavesB;
        {
            TOwner owner;
            leavesA.DetachFrom = owner.Listeners();
            leavesB.DetachFrom = owner.Listeners();
            owner.Listeners()->AddListener(&stays);
            owner.Listeners()->AddListener(&leavesA);
            owner.Listeners()->AddListener(&leavesB);
            owner.NotifyOwnerChanged();
        }
        for (TRecorder* r : {&stays, &leavesA, &leavesB})
            QCOMPARE(r->Events, (QStringList{"OwnerChanged", "OwnerDestroying"}));
    }
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

QTEST_GUILESS_MAIN(TestLyProcess)
#include "tst_LyProcess.moc"
