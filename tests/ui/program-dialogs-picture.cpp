// Draws the export-to-iTunes dialog, the progress window and the about box into pictures in the
// folder named on the command line ("export-to-itunes.png", "progress.png", "about.png"; with
// "@2x" before the extension at pixel ratio 2), at the screen's pixel ratio (QT_SCALE_FACTOR).
#include "LyAboutWindow.h"
#include "LyOptions.h"
#include "LyProgressWindow.h"
#include "LyReplaceITunesWindow.h"
#include "LyTestSupport.h"
#include "LyTimers.h"
#include "VxThreads.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QTest>

#include <thread>

namespace {

bool Save(QWidget* window, const QString& folder, const QString& name) {
    window->show();
    QApplication::processEvents();
    const qreal ratio = window->devicePixelRatioF();
    const QString suffix = ratio > 1 ? QStringLiteral("@%1x").arg(ratio) : QString();
    return window->grab().save(QDir(folder).filePath(name + suffix + QStringLiteral(".png")));
}

bool SaveReplaceDialog(const QString& folder) {
    TLyTempFolder files;
    TLyITunesOptions options;
    options.SetLibraryLocation(
        files.WriteFile(QStringLiteral("Music/iTunes/iTunes Music Library.xml"), "<plist/>"));
    options.SetITunesLocation(QStringLiteral("C:\\Program Files\\iTunes\\iTunes.exe"));
    QDir().mkpath(files.FilePath(QStringLiteral("Music/iTunes/Backups")));
    options.SetBackupLocation(files.FilePath(QStringLiteral("Music/iTunes/Backups/")));
    TLyReplaceITunesForm form(&options, nullptr,
                              [] { return QStringList{QStringLiteral("iTunes.exe")}; });
    if (!QTest::qWaitFor([&form] { return form.LblStatus()->text().startsWith(u"iTunes"); }))
        return false;
    return Save(&form, folder, QStringLiteral("export-to-itunes"));
}

// A real run, so that Cancel shows as it does while a process works.
bool SaveProgressWindow(const QString& folder) {
    TLyManualTimers timers;
    TLyProcessOwner owner;
    TLyProgressForm form;
    form.SetProject(&owner);
    TLyProcess* process = owner.Process();
    process->Start(QStringLiteral("Picture"), [process](TVxPausableThread&) {
        ILyProcessTask* main = process->StartMainTask(3, QStringLiteral("Loading Libraries..."));
        main->SetPosition(1);
        ILyProcessTask* sub =
            main->StartSubTask(100, QStringLiteral("Loading Laptop & Desktop <Library>.xml"));
        sub->SetPosition(40);
        for (;;) {
            process->CheckCancelled();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    bool saved = QTest::qWaitFor([&form] { return form.BarSubTask()->value() == 40; });
    timers.Advance(TLyProgressForm::kShowDelayMs);
    saved = saved && Save(&form, folder, QStringLiteral("progress"));
    process->Cancel();
    process->WaitFor();
    form.SetProject(nullptr);
    return saved;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        qWarning("usage: ly-program-dialogs-picture FOLDER");
        return 2;
    }
    VxThreadsStartup();
    const QString folder = QString::fromLocal8Bit(argv[1]);
    bool saved = SaveReplaceDialog(folder) && SaveProgressWindow(folder);
    {
        TLyAboutForm about;
        saved = saved && Save(&about, folder, QStringLiteral("about"));
    }
    VxThreadsShutdown();
    return saved ? 0 : 1;
}
