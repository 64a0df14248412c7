// The export-to-iTunes dialog: the running state read off the window thread and followed each
// second, what it stores and when, and its keys; and the about box: the version as the build
// marks it, the icon, and its keys.
#include "LyAboutWindow.h"
#include "LyDataRows.h"
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
        LyColumns<QStringList, QStringList, bool, bool>("atOpen", "later", "runningAtOpen",
                                                        "runningLater");
        using L = QStringList;
        LyRow("iTunes starts", L{"bash", "Xorg"}, L{"bash", "iTunes.exe"}, false, true);
        LyRow("iTunes quits", L{"ITUNES.EXE"}, L{"bash"}, true, false);
        LyRow("a name that only holds it", L{"iTunes.exe.sh"}, L{"iTunesHelper.exe"}, false, false);
    }

    void runningState() {
        const auto [atOpen, later, runningAtOpen, runningLater] =
            LyFetch<QStringList, QStringList, bool, bool>("atOpen", "later", "runningAtOpen",
                                                          "runningLater");
        TOpenDialog dialog({}, {}, {}, atOpen);
        TLyReplaceITunesForm* form = dialog.Form.get();
        // The status, red while iTunes runs, and whether Export is enabled.
        const auto state = [form] {
            return QStringLiteral("%1 %2 %3")
                .arg(form->LblStatus()->text())
                .arg(IsRed(form->LblStatus(), QPalette::WindowText))
                .arg(form->BtnExport()->isEnabled());
        };
        const auto expected = [](bool running) {
            return running ? QStringLiteral("iTunes is running 1 0")
                           : QStringLiteral("iTunes is not running 0 1");
        };
        QVERIFY(!form->BtnExport()->isEnabled()); // nothing known yet
        QVERIFY(dialog.FirstReadingDone());
        QCOMPARE(state(), expected(runningAtOpen));

        dialog.Processes->Set(later);
        dialog.Timers.Advance(999);
        QCoreApplication::processEvents();
        QCOMPARE(dialog.Processes->Readings.load(), 1);
        dialog.Timers.Advance(1);
        QTRY_COMPARE(dialog.Processes->Readings.load(), 2);
        QTRY_COMPARE(form->LblStatus()->text().contains(u"not"), !runningLater);
        QCOMPARE(state(), expected(runningLater));
        QCOMPARE(dialog.Processes->OnMainThread.load(), 0);
    }

    void storing_data() {
        // chosen: the answer of every browse dialog; empty: cancelled
        LyColumns<bool, bool, QString, bool>("clickStart", "clickBackup", "chosen", "confirm");
        LyRow("cancelled after changes", true, true, "/chosen/x", false);
        LyRow("exported after changes", true, false, "/chosen/x", true);
        LyRow("exported, browsing cancelled", false, true, "", true);
    }

    void storing() {
        const auto [clickStart, clickBackup, chosen, confirm] =
            LyFetch<bool, bool, QString, bool>("clickStart", "clickBackup", "chosen", "confirm");
        const QString library = QStringLiteral("/music/iTunes Music Library.xml");
        const QString iTunes = QStringLiteral("/programs/iTunes/iTunes.exe");
        const QString backup = QStringLiteral("/music/Backups/");
        TOpenDialog dialog(library, iTunes, backup);
        TLyReplaceITunesForm* form = dialog.Form.get();
        QVERIFY(dialog.FirstReadingDone());
        TLyDialogAnswers answers([&](const TLyDialogRequest&) {
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
        // The check boxes store at once, whatever comes next; the paths only on Export.
        const auto stored = [&] {
            return QStringList{dialog.Options.LibraryLocation(), dialog.Options.ITunesLocation(),
                               dialog.Options.BackupLocation(),
                               QString::number(dialog.Options.StartITunes() != startBefore),
                               QString::number(dialog.Options.CreateBackup() != backupBefore)};
        };
        const QString start = QString::number(clickStart),
                      backupClicked = QString::number(clickBackup);
        QCOMPARE(stored(), QStringList({library, iTunes, backup, start, backupClicked}));
        QTest::mouseClick(confirm ? form->BtnExport() : Child<QPushButton>(form, "BtnCancel"),
                          Qt::LeftButton);
        QCOMPARE(form->result(), confirm ? int(QDialog::Accepted) : int(QDialog::Rejected));
        const bool taken = confirm && !chosen.isEmpty();
        QCOMPARE(stored(), taken
                               ? QStringList({chosen, chosen, chosen + u'/', start, backupClicked})
                               : QStringList({library, iTunes, backup, start, backupClicked}));

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

    void about_data() {
        LyColumns<QString, bool, int, QString, int>("version", "prerelease", "key", "shown",
                                                    "result");
        LyRow("release, Return", "1.4.2", false, int(Qt::Key_Return), "Version 1.4.2",
              int(QDialog::Accepted));
        LyRow("pre-release, Escape", "1.5.0", true, int(Qt::Key_Escape), "Version 1.5.0 Beta",
              int(QDialog::Rejected));
    }

    void about() {
        const auto [version, prerelease, key, shown, result] =
            LyFetch<QString, bool, int, QString, int>("version", "prerelease", "key", "shown",
                                                      "result");
        QWidget owner;
        owner.setGeometry(20, 20, 760, 560);
        TLyAboutForm form(QStringLiteral("Lyrabridge"), version, prerelease, &owner);
        QCOMPARE(
            QStringList({form.windowTitle(), form.LblProduct()->text(), form.LblVersion()->text()}),
            QStringList({"About Lyrabridge", "Lyrabridge", shown}));
        QVERIFY(LyDistanceFromOwnerCentre(&form) <= 2);
        QCOMPARE(LyClippedWidgets(&form), QStringList());
        const QLabel* icon = form.findChild<QLabel*>(QStringLiteral("LblIcon"));
        QVERIFY(icon && !icon->pixmap().isNull());
        QCOMPARE(LyPressKey(&form, key), result);
    }
    void keyboard_data() {
        LyColumns<QString, int, bool, int>("focus", "key", "running", "result"); // -1: still open
        const int enter = Qt::Key_Return;
        LyRow("Return exports", "ChkStartITunes", enter, false, int(QDialog::Accepted));
        LyRow("Return while iTunes runs", "ChkStartITunes", enter, true, -1);
        LyRow("Return on a Browse button browses", "BtnBrowseLibrary", enter, false, -1);
        LyRow("Escape cancels", "ChkStartITunes", int(Qt::Key_Escape), false,
              int(QDialog::Rejected));
    }

    void keyboard() {
        const auto [focus, key, running, result] =
            LyFetch<QString, int, bool, int>("focus", "key", "running", "result");
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
