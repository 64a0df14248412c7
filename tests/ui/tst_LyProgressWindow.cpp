// The progress window: shown only for runs of half a second or more (and taking input over a
// modal window), bars that show what Qt's own bar would not, and Cancel, Escape and closing
// cancelling the run.
#include "LyDataRows.h"
#include "LyDialogKeys.h"
#include "LyFakeTask.h"
#include "LyProcessRecorder.h"
#include "LyProgressWindow.h"
#include "LyTimers.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <thread>

class TestLyProgressWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { VxThreadsStartup(); }
    void cleanupTestCase() { VxThreadsShutdown(); }

    void showDelay_data() {
        // subTaskEndsAfterMs -1: no sub task; overModal: a modal window is open over the main
        // window, and the progress window takes the input.
        LyColumns<int, int, bool, bool>("subTaskEndsAfterMs", "mainRunsMs", "shown", "overModal");
        LyRow("under half a second", -1, 499, false, false);
        LyRow("half a second", -1, 500, true, false);
        LyRow("quick sub task of a long run", 100, 600, true, false);
        LyRow("quick sub task of a quick run", 100, 400, false, false);
        LyRow("over a modal window", -1, 500, true, true);
    }

    void showDelay() {
        const auto [subTaskEndsAfterMs, mainRunsMs, shown, overModal] =
            LyFetch<int, int, bool, bool>("subTaskEndsAfterMs", "mainRunsMs", "shown", "overModal");
        TLyManualTimers timers;
        TOwner owner;
        QWidget mainWindow;
        QDialog modal(&mainWindow);
        if (overModal) {
            mainWindow.show();
            modal.setModal(true);
            modal.show();
        }
        TLyProgressForm form(&mainWindow);
        form.SetProject(&owner);
        TLyMulticastProcessListener* listeners = owner.Listeners();
        TFakeTask main(0, 3, QStringLiteral("Loading Libraries..."));
        TFakeTask sub(1, 10, QStringLiteral("Library One"));
        listeners->TaskStarted(&main);
        if (subTaskEndsAfterMs >= 0) {
            listeners->TaskStarted(&sub);
            timers.Advance(subTaskEndsAfterMs);
            listeners->TaskFinished(&sub);
        }
        timers.Advance(mainRunsMs - std::max(subTaskEndsAfterMs, 0));
        QCOMPARE(form.isVisible(), shown);
        if (overModal)
            QCOMPARE(QApplication::activeModalWidget(), &form);
        listeners->TaskFinished(&main);
        timers.Advance(1000);
        QVERIFY(!form.isVisible());
    }

    void bars_data() {
        // end: "finished", "cancelled" or "failed"
        LyColumns<int, int, int, int, QString, int>("level", "stepCount", "position", "shownValue",
                                                    "end", "endValue");
        LyRow("main, midway", 0, 10, 4, 4, "finished", 10);
        LyRow("main, beyond the steps", 0, 10, 15, 10, "finished", 10);
        LyRow("main, no steps", 0, 0, 0, 0, "finished", 1);
        LyRow("main, failed midway", 0, 5, 2, 2, "failed", 2);
        LyRow("sub, beyond the steps", 1, 5, 7, 5, "finished", 5);
        LyRow("sub, no steps, cancelled", 1, 0, 0, 0, "cancelled", 0);
        LyRow("deeper, no steps", 2, 0, 3, 1, "finished", 1);
    }

    void bars() {
        const auto [level, stepCount, position, shownValue, end, endValue] =
            LyFetch<int, int, int, int, QString, int>("level", "stepCount", "position",
                                                      "shownValue", "end", "endValue");
        TLyManualTimers timers;
        TOwner owner;
        TLyProgressForm form;
        form.SetProject(&owner);
        TLyMulticastProcessListener* listeners = owner.Listeners();
        TFakeTask main(0, level == 0 ? stepCount : 3, QStringLiteral("Matching & <b>Songs</b>"));
        TFakeTask task(level, stepCount, QStringLiteral("Reading"));
        TFakeTask& shown = level == 0 ? main : task;
        QProgressBar* bar = level == 0 ? form.BarTask() : form.BarSubTask();
        listeners->TaskStarted(&main);
        if (level > 0)
            listeners->TaskStarted(&task);
        QVERIFY2(bar->maximum() > 0, "a busy bar");
        QCOMPARE(bar->value(), 0);
        QCOMPARE(form.LblSubTask()->text(), level > 0 ? task.Caption() : QString()); // as started
        shown.SetPosition(position, level == 0 ? QStringLiteral("Matching step two") : QString());
        listeners->TaskProgressed(&shown);
        QCOMPARE(bar->value(), shownValue);
        QVERIFY(bar->maximum() > 0);
        const QString caption = level == 0 ? QStringLiteral("Matching step two") : main.Caption();
        QCOMPARE(QStringList({form.windowTitle(), form.LblTask()->text(),
                              level > 0 ? form.LblSubTask()->text() : QStringLiteral("Reading")}),
                 QStringList({caption, caption, "Reading"}));
        QCOMPARE(form.LblTask()->textFormat(), Qt::PlainText);
        if (end == u"cancelled")
            shown.Cancel();
        else if (end == u"failed")
            shown.Fail(QStringLiteral("Disk full."));
        listeners->TaskFinished(&shown);
        QCOMPARE(bar->value(), endValue);
    }

    void cancelling_data() {
        LyColumns<QString>("how");
        LyRow("Cancel button", "button");
        LyRow("Escape", "escape");
        LyRow("closing the window", "close");
    }

    void cancelling() {
        const auto [how] = LyFetch<QString>("how");
        TLyManualTimers timers;
        TRecorder recorder; // outlives the owner, which tells it the owner is going
        TOwner owner;
        recorder.DetachFrom = owner.Listeners();
        owner.Listeners()->AddListener(&recorder);
        QWidget mainWindow;
        TLyProgressForm form(&mainWindow);
        form.SetProject(&owner);
        owner.Process()->Start(QStringLiteral("Run"), [&owner](TVxPausableThread&) {
            owner.Process()->StartMainTask(3, QStringLiteral("Working..."));
            for (;;) {
                owner.Process()->CheckCancelled();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        QTRY_VERIFY(form.BtnCancel()->isEnabled());
        mainWindow.setGeometry(20, 20, 760, 560);
        timers.Advance(TLyProgressForm::kShowDelayMs);
        QVERIFY(form.isVisible());
        QVERIFY(LyDistanceFromOwnerCentre(&form) <= 2);
        if (how == u"button")
            QTest::mouseClick(form.BtnCancel(), Qt::LeftButton);
        else if (how == u"escape")
            QCOMPARE(LyPressKey(&form, Qt::Key_Escape), -1); // open until the run has ended
        else
            form.close();
        QVERIFY(owner.Process()->CancelRequested());
        QVERIFY(!form.BtnCancel()->isEnabled());
        owner.Process()->WaitFor();
        QVERIFY(recorder.Events.contains(QStringLiteral("Finished(cancelled):Working...")));
        QVERIFY(!form.isVisible());
    }

    void followsOneProject() {
        TLyManualTimers timers;
        TLyProgressForm form;
        auto first = std::make_unique<TOwner>();
        TOwner second;
        form.SetProject(first.get());
        form.SetProject(&second);
        QVERIFY(!first->Listeners()->Contains(nullptr) && first->Listeners()->Count() == 0);
        QCOMPARE(second.Listeners()->Count(), 1);
        form.SetProject(first.get());
        TFakeTask main(0, 2, QStringLiteral("Storing Libraries..."));
        first->Listeners()->TaskStarted(&main);
        first.reset(); // tells the form it is going
        QCOMPARE(form.Project(), nullptr);
        timers.Advance(TLyProgressForm::kShowDelayMs);
        QVERIFY(!form.isVisible());
    }
};

QTEST_MAIN(TestLyProgressWindow)
#include "tst_LyProgressWindow.moc"
