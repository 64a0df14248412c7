// Processes, tasks and listeners: the order of notifications, progress throttling, failure and
// cancel handling, helpers, and owners going away. Restarts are in tst_LyProcessRestarts.
#include "ArMessageLog.h"
#include "LyProcess.h"
#include "LyProcessRecorder.h"
#include "LyTestSupport.h"

#include <QTest>

#include <atomic>

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
};

QTEST_GUILESS_MAIN(TestLyProcess)
#include "tst_LyProcess.moc"
