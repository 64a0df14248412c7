// The export-to-iTunes dialog: the running state read off the window thread and followed each
// second, what it stores and when, the rules that enable and paint its parts, and its keys.
#include "LyDialogKeys.h"
#include "LyDialogs.h"
#include "LyOptions.h"
#include "LyReplaceITunesWindow.h"
#include "LyTestSupport.h"
#include "LyTimers.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>
#include <mutex>

namespace {

const QColor kRed(255, 0, 0);

// The running programs as the test sets them; read on the pool thread.
struct TFakeProcesses {
    std::mutex Lock;
    QStringList Names;
    std::atomic<int> Readings{0};
    std::atomic<int> OnMainThread{0}; // readings the thread of the windows waited for
    void Set(const QStringList& names) {
        std::lock_guard lock(Lock);
        Names = names;
    }
};

template <typename T>
T* Child(QWidget* form, const char* name) {
    T* child = form->findChild<T*>(QString::fromLatin1(name));
    if (!child)
        qFatal("no child %s", name);
    return child;
}

bool IsRed(QWidget* widget, QPalette::ColorRole role) {
    return widget->palette().color(QPalette::Active, role) == kRed;
}

// A dialog on options with the given paths and check boxes, and the running programs given.
struct TOpenDialog {
    TOpenDialog(const QString& library, const QString& iTunes, const QString& backup,
                const QStringList& programs = {QStringLiteral("bash")}, bool start = true,
                bool makeBackup = true) {
        Processes->Names = programs;
        Options.SetLibraryLocation(library);
        Options.SetITunesLocation(iTunes);
        Options.SetBackupLocation(backup);
        Options.SetStartITunes(start);
        Options.SetCreateBackup(makeBackup);
        // The reading holds the list, so it may end after the dialog.
        Form = std::make_unique<TLyReplaceITunesForm>(&Options, &Owner, [fake = Processes] {
            std::lock_guard lock(fake->Lock);
            ++fake->Readings;
            if (QThread::currentThread() == QCoreApplication::instance()->thread())
                ++fake->OnMainThread;
            return fake->Names;
        });
    }
    bool FirstReadingDone() {
        return QTest::qWaitFor([this] { return Form->LblStatus()->text().startsWith(u"iTunes"); });
    }

    TLyManualTimers Timers;
    TLyITunesOptions Options;
    QWidget Owner;
    std::shared_ptr<TFakeProcesses> Processes = std::make_shared<TFakeProcesses>();
    std::unique_ptr<TLyReplaceITunesForm> Form;
};

} // namespace

class TestLyReplaceITunesWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void runningState_data() {
        QTest::addColumn<QStringList>("atOpen");
        QTest::addColumn<QStringList>("later");
        QTest::addColumn<bool>("runningAtOpen");
        QTest::addColumn<bool>("runningLater");
        QTest::newRow("iTunes starts")
            << QStringList{"bash", "Xorg"} << QStringList{"bash", "iTunes.exe"} << false << true;
        QTest::newRow("iTunes quits")
            << QStringList{"ITUNES.EXE"} << QStringList{"bash"} << true << false;
        QTest::newRow("a name that only holds it")
            << QStringList{"iTunes.exe.sh"} << QStringList{"iTunesHelper.exe"} << false << false;
    }

    void runningState() {
        QFETCH(QStringList, atOpen);
        QFETCH(QStringList, later);
        QFETCH(bool, runningAtOpen);
        QFETCH(bool, runningLater);
        TOpenDialog dialog({}, {}, {}, atOpen);
        TLyReplaceITunesForm* form = dialog.Form.get();
        const auto expect = [form](bool running) {
            QCOMPARE(form->LblStatus()->text(), running ? QStringLiteral("iTunes is running")
                                                        : QStringLiteral("iTunes is not running"));
            QCOMPARE(IsRed(form->LblStatus(), QPalette::WindowText), running);
            QCOMPARE(form->BtnExport()->isEnabled(), !running);
        };
        QVERIFY(!form->BtnExport()->isEnabled()); // nothing known yet
        QVERIFY(dialog.FirstReadingDone());
        expect(runningAtOpen);
        if (QTest::currentTestFailed())
            return;

        dialog.Processes->Set(later);
        dialog.Timers.Advance(999);
        QCoreApplication::processEvents();
        QCOMPARE(dialog.Processes->Readings.load(), 1);
        dialog.Timers.Advance(1);
        QTRY_COMPARE(dialog.Processes->Readings.load(), 2);
        QTRY_COMPARE(form->LblStatus()->text().contains(u"not"), !runningLater);
        expect(runningLater);
        QCOMPARE(dialog.Processes->OnMainThread.load(), 0);
    }

    void storing_data() {
        QTest::addColumn<bool>("clickStart");
        QTest::addColumn<bool>("clickBackup");
        QTest::addColumn<QString>("chosen"); // the answer of every browse dialog; empty: cancelled
        QTest::addColumn<bool>("confirm");
        QTest::newRow("cancelled after changes") << true << true << "/chosen/x" << false;
        QTest::newRow("exported after changes") << true << false << "/chosen/x" << true;
        QTest::newRow("exported, browsing cancelled") << false << true << "" << true;
    }

    void storing() {
        QFETCH(bool, clickStart);
        QFETCH(bool, clickBackup);
        QFETCH(QString, chosen);
        QFETCH(bool, confirm);
        const QString library = QStringLiteral("/music/iTunes Music Library.xml");
        const QString iTunes = QStringLiteral("/programs/iTunes/iTunes.exe");
        const QString backup = QStringLiteral("/music/Backups/");
        TOpenDialog dialog(library, iTunes, backup);
        TLyReplaceITunesForm* form = dialog.Form.get();
        QVERIFY(dialog.FirstReadingDone());
        TLyDialogAnswers answers([&chosen](const TLyDialogRequest&) {
            return TLyDialogAnswer{QMessageBox::Ok, chosen};
        });
        for (const char* button : {"BtnBrowseLibrary", "BtnBrowseITunes", "BtnBrowseBackup"})
            QTest::mouseClick(Child<QPushButton>(form, button), Qt::LeftButton);
        const bool startBefore = dialog.Options.StartITunes();
        const bool backupBefore = dialog.Options.CreateBackup();
        if (clickStart)
            QTest::mouseClick(Child<QCheckBox>(form, "ChkStartITunes"), Qt::LeftButton);
        if (clickBackup)
            QTest::mouseClick(Child<QCheckBox>(form, "ChkCreateBackup"), Qt::LeftButton);
        // The check boxes store at once, whatever comes next.
        QCOMPARE(dialog.Options.StartITunes(), startBefore != clickStart);
        QCOMPARE(dialog.Options.CreateBackup(), backupBefore != clickBackup);
        QCOMPARE(dialog.Options.LibraryLocation(), library);
        QTest::mouseClick(confirm ? form->BtnExport() : Child<QPushButton>(form, "BtnCancel"),
                          Qt::LeftButton);
        QCOMPARE(form->result(), confirm ? int(QDialog::Accepted) : int(QDialog::Rejected));

        const bool taken = confirm && !chosen.isEmpty();
        QCOMPARE(dialog.Options.LibraryLocation(), taken ? chosen : library);
        QCOMPARE(dialog.Options.ITunesLocation(), taken ? chosen : iTunes);
        QCOMPARE(dialog.Options.BackupLocation(), taken ? chosen + u'/' : backup);
        QCOMPARE(dialog.Options.StartITunes(), startBefore != clickStart);
        QCOMPARE(dialog.Options.CreateBackup(), backupBefore != clickBackup);

        QStringList requests;
        for (const TLyDialogRequest& request : std::as_const(answers.Requests))
            requests << QStringList{request.Kind == TLyDialogRequest::Folder ? "folder" : "file",
                                    request.Title, request.Text, request.Detail}
                            .join(u'|');
        QCOMPARE(requests, QStringList({"file|Choose the iTunes Library|" + library +
                                            "|iTunes Library Files (*.xml)",
                                        "file|Choose the iTunes Application|" + iTunes +
                                            "|iTunes Application (*.exe)",
                                        "folder|Choose a Backup Folder|" + backup + "|"}));
    }

    void enablingAndPainting_data() {
        QTest::addColumn<bool>("startITunes");
        QTest::addColumn<bool>("createBackup");
        QTest::addColumn<bool>("filesExist");
        QTest::newRow("all on, all there") << true << true << true;
        QTest::newRow("all off, nothing there") << false << false << false;
        QTest::newRow("start only, nothing there") << true << false << false;
    }

    void enablingAndPainting() {
        QFETCH(bool, startITunes);
        QFETCH(bool, createBackup);
        QFETCH(bool, filesExist);
        TLyTempFolder folder;
        QString library = folder.FilePath(QStringLiteral("Library.xml"));
        QString iTunes = folder.FilePath(QStringLiteral("iTunes.exe"));
        QString backup = folder.FilePath(QStringLiteral("Backups/"));
        if (filesExist) {
            folder.WriteFile(QStringLiteral("Library.xml"), "<plist/>");
            folder.WriteFile(QStringLiteral("iTunes.exe"), "MZ");
            QVERIFY(QDir().mkpath(backup));
        } else {
            // Each path names a thing of the other kind: a folder is no library, a file no folder.
            QVERIFY(QDir().mkpath(library));
            backup = folder.WriteFile(QStringLiteral("Backups"), "");
        }
        TOpenDialog dialog(library, iTunes, backup, {}, startITunes, createBackup);
        TLyReplaceITunesForm* form = dialog.Form.get();
        for (bool flipped : {false, true}) {
            const bool start = startITunes != flipped;
            const bool makeBackup = createBackup != flipped;
            QCOMPARE(Child<QPushButton>(form, "BtnBrowseITunes")->isEnabled(), start);
            QCOMPARE(Child<QLineEdit>(form, "EdtBackupLocation")->isEnabled(), makeBackup);
            QCOMPARE(Child<QPushButton>(form, "BtnBrowseBackup")->isEnabled(), makeBackup);
            QCOMPARE(Child<QPushButton>(form, "BtnBrowseLibrary")->isEnabled(), true);
            for (const char* box : {"EdtLibraryLocation", "EdtITunesLocation", "EdtBackupLocation"})
                QVERIFY2(IsRed(Child<QLineEdit>(form, box), QPalette::Text) == !filesExist, box);
            QTest::mouseClick(Child<QCheckBox>(form, "ChkStartITunes"), Qt::LeftButton);
            QTest::mouseClick(Child<QCheckBox>(form, "ChkCreateBackup"), Qt::LeftButton);
        }
    }

    void keyboard_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("running");
        QTest::addColumn<int>("result"); // -1: still open
        QTest::newRow("Return exports")
            << "ChkStartITunes" << int(Qt::Key_Return) << false << int(QDialog::Accepted);
        QTest::newRow("Return while iTunes runs")
            << "ChkStartITunes" << int(Qt::Key_Return) << true << -1;
        QTest::newRow("Return on a Browse button browses")
            << "BtnBrowseLibrary" << int(Qt::Key_Return) << false << -1;
        QTest::newRow("Escape cancels")
            << "ChkStartITunes" << int(Qt::Key_Escape) << false << int(QDialog::Rejected);
    }

    void keyboard() {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(bool, running);
        QFETCH(int, result);
        TOpenDialog dialog(QStringLiteral("/music/Library.xml"), QStringLiteral("/iTunes.exe"),
                           QStringLiteral("/backups/"),
                           {running ? QStringLiteral("iTunes.exe") : QStringLiteral("bash")});
        TLyReplaceITunesForm* form = dialog.Form.get();
        dialog.Owner.setGeometry(20, 20, 760, 560);
        QVERIFY(LyDistanceFromOwnerCentre(form) <= 2);
        QCOMPARE(LyClippedWidgets(form), QStringList());
        QVERIFY(dialog.FirstReadingDone());
        QStringList order{"EdtLibraryLocation", "BtnBrowseLibrary", "ChkStartITunes",
                          "EdtITunesLocation",  "BtnBrowseITunes",  "ChkCreateBackup",
                          "EdtBackupLocation",  "BtnBrowseBackup",  "BtnExport",
                          "BtnCancel"};
        if (running)
            order.removeOne(QStringLiteral("BtnExport"));
        QCOMPARE(LyTabChain(form, Child<QWidget>(form, "EdtLibraryLocation")), order);
        TLyDialogAnswers answers;
        form->findChild<QWidget*>(focus)->setFocus();
        QCOMPARE(LyPressKey(form, key), result);
        QCOMPARE(answers.Requests.size(), focus.startsWith(u"BtnBrowse") ? 1 : 0);
    }
};

QTEST_MAIN(TestLyReplaceITunesWindow)
#include "tst_LyReplaceITunesWindow.moc"
