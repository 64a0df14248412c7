// The seams of the windows: engine errors end in a message box after the notification.
#include "LyDataRows.h"
#include "LyDialogs.h"
#include "LyGuard.h"
#include "LyPictures.h"
#include "LyTestSupport.h"

class TestLyUiSeams : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void errorsAreShownAfterTheCallReturns() {
        TLyDialogAnswers answers;
        QWidget window;
        bool returned = false;
        LyGuarded(&window,
                  [] { throw Exception(QStringLiteral("Repository [x] does not exist.")); });
        returned = true;
        QVERIFY(answers.Requests.isEmpty()); // not inside the call that failed
        QTRY_COMPARE(answers.Requests.size(), 1);
        QVERIFY(returned);
        QCOMPARE(answers.Requests.at(0).Kind, TLyDialogRequest::Message);
        QCOMPARE(answers.Requests.at(0).Text, QStringLiteral("Repository [x] does not exist."));
        LyGuardedLater(&window, [] { throw std::runtime_error("late"); });
        QTRY_COMPARE(answers.Requests.size(), 2);
        QCOMPARE(answers.Requests.at(1).Text, QStringLiteral("late"));
    }
};

QTEST_MAIN(TestLyUiSeams)
#include "tst_LyUiSeams.moc"
