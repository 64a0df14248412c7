// The progress window: Cancel, Escape and closing cancel the run, and the window follows one
// project.
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
