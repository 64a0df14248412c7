// The seams of the windows: engine errors end in a message box after the notification, the
// dialogs are answered by tests, pictures are rendered per pixel ratio.
#include "ArExceptions.h"
#include "LyDialogs.h"
#include "LyGuard.h"
#include "LyPictures.h"
#include "LyTestSupport.h"

#include <QApplication>
#include <QTest>

class TestLyUiSeams : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void errorsAreShownAfterTheCallReturns();
    void answeredDialogsShowNothing();
    void chosenPaths_data();
    void chosenPaths();
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

// A folder chooser's answer is a folder ending with "/" or, cancelled, the old folder; a saved
// name without a suffix gets the default one, and replacing a file reached only that way is asked.
void TestLyUiSeams::chosenPaths_data() {
    QTest::addColumn<bool>("folder");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("replace");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("asked"); // the titles of the requests, joined by "|"
    const QString folder = QStringLiteral("Choose a Backup Folder");
    const QString save = QStringLiteral("Save As");
    QTest::newRow("folder gets a separator")
        << true << folder << ""
        << "/music/backup" << true << "/music/backup/" << folder;
    QTest::newRow("folder keeps its separator")
        << true << folder << ""
        << "/music/backup/" << true << "/music/backup/" << folder;
    QTest::newRow("root folder") << true << folder << ""
                                 << "/" << true << "/" << folder;
    QTest::newRow("cancelled folder keeps the old one") << true << folder << ""
                                                        << "" << true << "/old/" << folder;
    QTest::newRow("untitled folder chooser") << true << ""
                                             << ""
                                             << "/a" << true << "/a/"
                                             << "Browse for Folder...";
    QTest::newRow("suffix appended") << false << save << "xml"
                                     << "new" << true << "new.xml" << save;
    QTest::newRow("suffix given") << false << save << "xml"
                                  << "new.xml" << true << "new.xml" << save;
    QTest::newRow("other suffix kept") << false << save << "xml"
                                       << "new.plist" << true << "new.plist" << save;
    QTest::newRow("no default suffix") << false << save << ""
                                       << "new" << true << "new" << save;
    QTest::newRow("existing file reached by the suffix, replaced")
        << false << save << "xml"
        << "old" << true << "old.xml" << save + "|Lyrabridge";
    QTest::newRow("existing file reached by the suffix, kept")
        << false << save << "xml"
        << "old" << false << "" << save + "|Lyrabridge";
    QTest::newRow("existing file named in full: the dialog asked")
        << false << save << "xml"
        << "old.xml" << false << "old.xml" << save;
    QTest::newRow("save cancelled") << false << save << "xml"
                                    << "" << true << "" << save;
}

void TestLyUiSeams::chosenPaths() {
    QFETCH(bool, folder);
    QFETCH(QString, title);
    QFETCH(QString, suffix);
    QFETCH(QString, answer);
    QFETCH(bool, replace);
    QFETCH(QString, result);
    QFETCH(QString, asked);
    QApplication::setApplicationDisplayName(QStringLiteral("Lyrabridge"));
    TLyTempFolder temp;
    temp.WriteFile(QStringLiteral("old.xml"), "<plist/>");
    const auto inTemp = [&](const QString& name) {
        return folder || name.isEmpty() ? name : temp.FilePath(name);
    };
    TLyDialogAnswers answers([&](const TLyDialogRequest& request) {
        if (request.Kind == TLyDialogRequest::Question)
            return TLyDialogAnswer{replace ? int(QMessageBox::Yes) : int(QMessageBox::No), {}};
        return TLyDialogAnswer{QMessageBox::Ok, inTemp(answer)};
    });
    const QString chosen =
        folder ? TLyDialogs::ChooseFolder(nullptr, title, QStringLiteral("/old/"))
               : TLyDialogs::SaveFile(nullptr, title, temp.Path(),
                                      TLyDialogs::Filter(QStringLiteral("iTunes Library Files"),
                                                         QStringLiteral("*.xml")),
                                      suffix);
    QCOMPARE(chosen, inTemp(result));
    QStringList titles;
    for (const TLyDialogRequest& request : answers.Requests)
        titles << request.Title;
    QCOMPARE(titles.join(u'|'), asked);
    if (!folder)
        QCOMPARE(answers.Requests.at(0).Detail, QStringLiteral("iTunes Library Files (*.xml)"));
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
