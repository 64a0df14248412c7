// Times the main window on two generated libraries: the main thread's longest block while Load
// Libraries runs (probed by a 10 ms timer), the time from the end of the load until the rows of
// the page on top show, and closing the window with a loaded project. Runs in a home of its own.
#include "LibraryGenerator.h"
#include "LyOptions.h"
#include "LyProcessListener.h"
#include "LyProject.h"
#include "LyProjectMainWindow.h"
#include "LySongListFrame.h"
#include "LySongListModel.h"
#include "LySongMatchResultFrame.h"
#include "LySongMatchResultListFrame.h"
#include "LySystem.h"
#include "LyTestHome.h"
#include "MainWindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <atomic>

namespace {

QTextStream& Out() {
    static QTextStream out(stdout);
    return out;
}

double Ms(qint64 ns) {
    return double(ns) / 1e6;
}

// Notes when a main task of the project's process ends.
class TLoadEnd : public TLyProcessListener {
public:
    explicit TLoadEnd(const QElapsedTimer& clock)
        : FClock(clock) {}
    void TaskFinished(ILyProcessTask* task) override {
        if (task->IsMainTask())
            At.store(FClock.nsecsElapsed());
    }
    std::atomic<qint64> At{-1};

private:
    const QElapsedTimer& FClock;
};

bool RowsShown(TLyProjectMainForm& window) {
    const TLySongListView* list = window.FrmSongMatchResult()->CurrentList()->FrmSongList();
    return !list->Model()->Frozen() && list->Model()->rowCount() > 0;
}

int Measure(const QString& folder, bool json) {
    TLyDialogScript answers; // Yes to the reload question
    TLyProjectOptions options;
    options.SetName(QDir(folder).filePath(QStringLiteral("window-bench-project.xml")));
    options.LibraryOne()->SetInputPath(QDir(folder).filePath(QStringLiteral("one.xml")));
    options.LibraryTwo()->SetInputPath(QDir(folder).filePath(QStringLiteral("two.xml")));
    options.Store();
    auto window = OpenMainWindow(options.GetFileName());
    window->resize(1280, 800);
    window->show();
    SettleMainWindow(*window);
    QElapsedTimer clock;
    clock.start();
    while (!RowsShown(*window) && clock.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);

    // Load Libraries, probed by a 10 ms timer: a gap between two ticks beyond the interval is
    // the main thread's block.
    TLoadEnd loadEnd(clock);
    window->Project()->Listeners()->AddListener(&loadEnd);
    qint64 last = clock.nsecsElapsed();
    qint64 longest = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(10);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    const qint64 start = clock.nsecsElapsed();
    probe.start();
    window->UpdateActions();
    window->ActLoadLibraries->trigger();
    qint64 shownAt = -1;
    while (clock.elapsed() < 600000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        if (loadEnd.At.load() >= 0 && !window->Project()->Process()->Running() &&
            RowsShown(*window)) {
            shownAt = clock.nsecsElapsed();
            break;
        }
    }
    probe.stop();
    window->Project()->Listeners()->RemoveListener(&loadEnd);
    if (shownAt < 0) {
        Out() << "The rows did not show within ten minutes" << Qt::endl;
        return 1;
    }
    const double load = Ms(loadEnd.At.load() - start);
    const double block = std::max(0.0, Ms(longest) - 10.0);
    const double shown = Ms(shownAt - loadEnd.At.load());
    const int rows =
        window->FrmSongMatchResult()->CurrentList()->FrmSongList()->Model()->rowCount();

    // Exit: the close query, storing the project and the preferences, and the window's end.
    QElapsedTimer exitTimer;
    exitTimer.start();
    window->close();
    window.reset();
    const double exit = Ms(exitTimer.nsecsElapsed());

    Out() << QStringLiteral("rows              %1").arg(rows) << Qt::endl;
    Out() << QStringLiteral("load              %1 ms").arg(load, 0, 'f', 1) << Qt::endl;
    Out() << QStringLiteral("load block        %1 ms (longest gap of a 10 ms probe, less 10 ms)")
                 .arg(block, 0, 'f', 1)
          << Qt::endl;
    Out() << QStringLiteral("rows shown after  %1 ms").arg(shown, 0, 'f', 1) << Qt::endl;
    Out() << QStringLiteral("exit              %1 ms").arg(exit, 0, 'f', 1) << Qt::endl;
    if (json)
        Out() << QStringLiteral("{\"rows\":%1,\"load_ms\":%2,\"load_block_ms\":%3,"
                                "\"rows_shown_ms\":%4,\"exit_ms\":%5}")
                     .arg(rows)
                     .arg(load, 0, 'f', 1)
                     .arg(block, 0, 'f', 1)
                     .arg(shown, 0, 'f', 1)
                     .arg(exit, 0, 'f', 1)
              << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Before anything resolves a folder: the preferences and projects stay in a home of its own.
    TLyTestHome home;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Times Load Libraries, the rows showing and exit in the main window."));
    parser.addHelpOption();
    const QCommandLineOption workOption(QStringLiteral("work"),
                                        QStringLiteral("Folder for the generated libraries."),
                                        QStringLiteral("DIR"));
    const QCommandLineOption tracksOption(QStringLiteral("tracks"),
                                          QStringLiteral("Tracks per library (default 100000)."),
                                          QStringLiteral("N"), QStringLiteral("100000"));
    const QCommandLineOption jsonOption(QStringLiteral("json"),
                                        QStringLiteral("Also print the figures as JSON."));
    parser.addOptions({workOption, tracksOption, jsonOption});
    parser.process(app);
    bool ok = false;
    const int tracks = parser.value(tracksOption).toInt(&ok);
    if (!parser.isSet(workOption) || !ok || tracks < 1) {
        Out() << "lyrabridge-bench-window: needs --work DIR and a positive --tracks" << Qt::endl;
        return 2;
    }
    QString error;
    if (!LyEnsureBenchLibraries(parser.value(workOption), tracks, &error)) {
        Out() << "lyrabridge-bench-window: " << error << Qt::endl;
        return 1;
    }
    LySystemStartup();
    const int result = Measure(parser.value(workOption), parser.isSet(jsonOption));
    LySystemShutdown();
    return result;
}
