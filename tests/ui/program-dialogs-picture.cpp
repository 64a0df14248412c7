// Draws the export-to-iTunes dialog, the progress window and the about box into the pictures
// kept in docs/.
#include "LyAboutWindow.h"
#include "LyOptions.h"
#include "LyProgressWindow.h"
#include "LyReplaceITunesWindow.h"
#include "LyTestSupport.h"
#include "LyTimers.h"
#include "PictureProgram.h"

#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QTest>

#include <thread>

namespace {

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
    return QTest::qWaitFor([&form] { return form.LblStatus()->text().startsWith(u"iTunes"); }) &&
           SavePicture(form, folder, QStringLiteral("export-to-itunes"));
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
    saved = saved && SavePicture(form, folder, QStringLiteral("progress"));
    process->Cancel();
    process->WaitFor();
    form.SetProject(nullptr);
    return saved;
}

} // namespace

int main(int argc, char* argv[]) {
    return RunPictureProgram(argc, argv, [](const QString& folder) {
        TLyAboutForm about;
        return SaveReplaceDialog(folder) && SaveProgressWindow(folder) &&
               SavePicture(about, folder, QStringLiteral("about"));
    });
}
