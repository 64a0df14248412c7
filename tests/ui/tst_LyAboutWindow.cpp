// The about box: the version as the build marks it, the icon, and its keys.
#include "LyAboutWindow.h"
#include "LyDialogKeys.h"

#include <QLabel>
#include <QTest>

class TestLyAboutWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void contents_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("prerelease");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("result");
        QTest::newRow("release, Return")
            << "1.4.2" << false << int(Qt::Key_Return) << "Version 1.4.2" << int(QDialog::Accepted);
        QTest::newRow("pre-release, Escape") << "1.5.0" << true << int(Qt::Key_Escape)
                                             << "Version 1.5.0 Beta" << int(QDialog::Rejected);
    }

    void contents() {
        QFETCH(QString, version);
        QFETCH(bool, prerelease);
        QFETCH(int, key);
        QFETCH(QString, shown);
        QFETCH(int, result);
        QWidget owner;
        owner.setGeometry(20, 20, 760, 560);
        TLyAboutForm form(QStringLiteral("Lyrabridge"), version, prerelease, &owner);
        QCOMPARE(form.windowTitle(), QStringLiteral("About Lyrabridge"));
        QCOMPARE(form.LblProduct()->text(), QStringLiteral("Lyrabridge"));
        QCOMPARE(form.LblVersion()->text(), shown);
        QVERIFY(LyDistanceFromOwnerCentre(&form) <= 2);
        QCOMPARE(LyClippedWidgets(&form), QStringList());
        const QLabel* icon = form.findChild<QLabel*>(QStringLiteral("LblIcon"));
        QVERIFY(icon && !icon->pixmap().isNull());
        QCOMPARE(LyPressKey(&form, key), result);
    }
};

QTEST_MAIN(TestLyAboutWindow)
#include "tst_LyAboutWindow.moc"
