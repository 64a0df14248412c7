// The seams of the windows: engine errors end in a message box after the notification, the
// dialogs are answered by tests, pictures are rendered per pixel ratio.
#include "ArExceptions.h"
#include "LyDialogs.h"
#include "LyGuard.h"
#include "LyPictures.h"

#include <QTest>

class TestLyUiSeams : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void errorsAreShownAfterTheCallReturns();
    void answeredDialogsShowNothing();
    void picturesPerRatio();
};

void TestLyUiSeams::errorsAreShownAfterTheCallReturns() {
    TLyDialogAnswers answers;
    QWidget window;
    bool returned = false;
    LyGuarded(&window, [] { throw Exception(QStringLiteral("Repository [x] does not exist.")); });
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

void TestLyUiSeams::answeredDialogsShowNothing() {
    TLyDialogAnswers answers([](const TLyDialogRequest& request) {
        return TLyDialogAnswer{request.Kind == TLyDialogRequest::Question ? int(QMessageBox::No)
                                                                          : int(QMessageBox::Ok),
                               QStringLiteral("/chosen.xml")};
    });
    QVERIFY(!TLyDialogs::Confirm(nullptr, QStringLiteral("Sure?")));
    QCOMPARE(TLyDialogs::OpenFile(nullptr, QStringLiteral("Browse for One..."), QString(),
                                  QStringLiteral("*.xml")),
             QStringLiteral("/chosen.xml"));
    QCOMPARE(answers.Requests.size(), 2);
    QCOMPARE(answers.Requests.at(1).Title, QStringLiteral("Browse for One..."));
}

void TestLyUiSeams::picturesPerRatio() {
    const int before = LyPictureRenderCount();
    const QPixmap one = LyPicture(QStringLiteral("star"), 16, 1.0);
    const QPixmap two = LyPicture(QStringLiteral("star"), 16, 2.0);
    QCOMPARE(one.size(), QSize(16, 16));
    QCOMPARE(two.size(), QSize(32, 32));
    QCOMPARE(two.devicePixelRatio(), 2.0);
    QVERIFY(one.toImage().pixelColor(8, 8).alpha() > 0);
    LyPicture(QStringLiteral("star"), 16, 2.0);
    QCOMPARE(LyPictureRenderCount(), before + 2); // the second ask at 2.0 came from the cache
    for (const char* name :
         {"star", "selected-star", "modified-star", "different-star", "exact-match", "modified",
          "song-data-differs", "user-data-differs", "unmatched"})
        QVERIFY2(!LyPicture(QString::fromLatin1(name), 16, 1.0).isNull(), name);
    QVERIFY(LyPicture(QStringLiteral("no such picture"), 16, 1.0).isNull());
}

QTEST_MAIN(TestLyUiSeams)
#include "tst_LyUiSeams.moc"
