// The seams of the windows: engine errors end in a message box after the notification, the
// dialogs are answered by tests, pictures are rendered per pixel ratio.
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

    // A folder chooser's answer is a folder ending with "/" or, cancelled, the old folder; a saved
    // name without a suffix gets the default one, and replacing a file reached only that way is
    // asked.
    void chosenPaths_data() {
        // dialog: "folder TITLE" or "save SUFFIX"; replace: the answer to a question; paths: the
        // dialog's answer ("old.xml" exists), "->" and the result, "?" before it when a question
        // was asked.
        LyColumns<QString, bool, QString>("dialog", "replace", "paths");
        QTest::newRow("folder gets a separator") << "folder Backup" << true << "/music -> /music/";
        QTest::newRow("folder keeps its separator") << "folder Backup" << true << "/m/ -> /m/";
        QTest::newRow("root folder") << "folder Backup" << true << "/ -> /";
        QTest::newRow("cancelled folder keeps the old one")
            << "folder Backup" << true << " -> /old/";
        QTest::newRow("untitled folder chooser") << "folder " << true << "/a -> /a/";
        QTest::newRow("suffix appended") << "save xml" << true << "new -> new.xml";
        QTest::newRow("suffix given") << "save xml" << true << "new.xml -> new.xml";
        QTest::newRow("other suffix kept") << "save xml" << true << "new.plist -> new.plist";
        QTest::newRow("no default suffix") << "save " << true << "new -> new";
        QTest::newRow("reached by the suffix, replaced") << "save xml" << true << "old -> ?old.xml";
        QTest::newRow("reached by the suffix, kept") << "save xml" << false << "old -> ?";
        QTest::newRow("named in full: the dialog asked")
            << "save xml" << false << "old.xml -> old.xml";
        QTest::newRow("save cancelled") << "save xml" << true << " -> ";
    }

    void chosenPaths() {
        auto [dialog, replace, paths] =
            LyFetch<QString, bool, QString>("dialog", "replace", "paths");
        const QString answer = paths.section(QStringLiteral(" -> "), 0, 0);
        const QString result = paths.section(QStringLiteral(" -> "), 1);
        const bool folder = dialog.startsWith(u"folder");
        const QString argument = dialog.section(u' ', 1);
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
        const QString filter =
            TLyDialogs::Filter(QStringLiteral("Library"), QStringLiteral("*.xml"));
        const QString chosen =
            folder ? TLyDialogs::ChooseFolder(nullptr, argument, QStringLiteral("/old/"))
                   : TLyDialogs::SaveFile(nullptr, QStringLiteral("Save"), temp.Path(), filter,
                                          argument);
        QCOMPARE(chosen, inTemp(result.mid(result.startsWith(u'?'))));
        QCOMPARE(answers.Requests.size(), result.startsWith(u'?') ? 2 : 1);
        const TLyDialogRequest& request = answers.Requests.at(0);
        if (folder)
            QCOMPARE(request.Title,
                     argument.isEmpty() ? QStringLiteral("Browse for Folder...") : argument);
        else
            QCOMPARE(request.Detail, QStringLiteral("Library (*.xml)"));
    }

    void picturesPerRatio() {
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
};

QTEST_MAIN(TestLyUiSeams)
#include "tst_LyUiSeams.moc"
