// Times the song list on two generated libraries, All page: the rebuild of the rows with a
// selection restored, sorting by a header click, typing a filter, Ctrl+A and repaints while
// paging down. With --match-window, times instead how long "Match All" on the Unmatched page
// takes until the match window shows, and the main thread's longest block meanwhile. Runs on
// the offscreen platform unless another is asked for.
#include "LibraryGenerator.h"
#include "LyDialogs.h"
#include "LyMatchWindow.h"
#include "LyOptions.h"
#include "LyProject.h"
#include "LySongListFrame.h"
#include "LySongListModel.h"
#include "LySongListTree.h"
#include "LySongMatchResultFrame.h"
#include "LySongMatchResultListFrame.h"
#include "LySystem.h"
#include "LyView.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QScrollBar>
#include <QTextStream>
#include <QTimer>

#include <algorithm>

namespace {

QTextStream& Out() {
    static QTextStream out(stdout);
    return out;
}

double Ms(qint64 nanoseconds) {
    return double(nanoseconds) / 1e6;
}

QString Figure(double ms) {
    return QString::number(ms, 'f', 1);
}

// Notes when a refresh of the view finishes: registered before and after the frame, the two
// marks enclose the frame's rebuild.
class TMark : public TLyProcessListener {
public:
    explicit TMark(const QElapsedTimer& clock)
        : FClock(clock) {}
    void TaskFinished(ILyProcessTask* task) override {
        if (task->IsMainTask() && !task->Cancelled())
            At = FClock.nsecsElapsed();
    }
    qint64 At = 0;

private:
    const QElapsedTimer& FClock;
};

// Runs the event loop for `ms` with a 1 ms timer and returns the stretches (start, end) in
// which the loop did not turn: the main thread's blocks.
QList<QPair<qint64, qint64>> Blocks(int ms, const QElapsedTimer& clock) {
    QList<QPair<qint64, qint64>> blocks;
    qint64 last = clock.nsecsElapsed();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        blocks.append({last, now});
        last = now;
    });
    tick.start();
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    blocks.append({last, clock.nsecsElapsed()});
    return blocks;
}

// The longest block that does not overlap [from, to].
qint64 Longest(const QList<QPair<qint64, qint64>>& blocks, qint64 from = -1, qint64 to = -1) {
    qint64 longest = 0;
    for (const auto& [start, end] : blocks)
        if (end < from || start > to)
            longest = std::max(longest, end - start);
    return longest;
}

void WaitForView(TLyProject& project, TLyView* view) {
    project.Process()->WaitFor();
    view->Process()->WaitFor();
    QCoreApplication::processEvents();
}

int Measure(const QString& folder, const QString& filter, bool json) {
    TLyOptions appOptions;
    TLyProject project(&appOptions, appOptions.ProjectWindow()->Views());
    project.Options()->LibraryOne()->SetInputPath(QDir(folder).filePath(QStringLiteral("one.xml")));
    project.Options()->LibraryTwo()->SetInputPath(QDir(folder).filePath(QStringLiteral("two.xml")));
    project.Reload();
    TLyView* view = project.MatchResult()->View(QStringLiteral("All"));
    WaitForView(project, view);

    QElapsedTimer clock;
    clock.start();
    TMark before(clock);
    TMark after(clock);
    view->Listeners()->AddListener(&before);
    TLySongListView frame;
    frame.resize(1200, 800);
    frame.show();
    frame.SetView(view);
    view->Listeners()->AddListener(&after);
    WaitForView(project, view);
    TLySongListTree* tree = frame.TreeSongs();
    TLySongListModel* model = frame.Model();
    const int rows = model->rowCount();

    // Rebuild from a published list, 1,000 selected songs restored.
    QItemSelection selection;
    for (int row = 0; row < rows && selection.size() < 1000; row += std::max(1, rows / 1000))
        selection.select(model->index(row, 0), model->index(row, kLySongColumnCount - 1));
    tree->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    project.RefreshViews();
    WaitForView(project, view);
    const double rebuild = Ms(after.At - before.At);
    const int restored = frame.SelectedCount();
    // The same after a change of the songs (an empty update): the rows are sorted afresh.
    project.MatchResult()->BeginUpdate();
    project.MatchResult()->EndUpdate();
    WaitForView(project, view);
    const double rebuildAfterChange = Ms(after.At - before.At);

    // Sort by a header click, every column ascending: the worst.
    double worstSort = 0;
    int worstColumn = 0;
    for (int column = 0; column < kLySongColumnCount; ++column) {
        QElapsedTimer timer;
        timer.start();
        Q_EMIT tree->header()->sectionClicked(column == 0 ? 1 : column);
        if (column == 0)
            continue; // leaves the Name column for the last turn
        const double ms = Ms(timer.nsecsElapsed());
        if (ms > worstSort) {
            worstSort = ms;
            worstColumn = column;
        }
    }
    {
        QElapsedTimer timer;
        timer.start();
        Q_EMIT tree->header()->sectionClicked(0);
        const double ms = Ms(timer.nsecsElapsed());
        if (ms > worstSort) {
            worstSort = ms;
            worstColumn = 0;
        }
    }

    // Typing the filter at 150 ms per key.
    qint64 longestKey = 0;
    qint64 lastKeyAt = 0;
    for (int i = 1; i <= filter.size(); ++i) {
        const qint64 start = clock.nsecsElapsed();
        frame.SetFilterText(filter.left(i));
        longestKey = std::max(longestKey, clock.nsecsElapsed() - start);
        lastKeyAt = start;
        if (i < filter.size())
            longestKey = std::max(longestKey, Longest(Blocks(150, clock)));
    }
    // After the last key the blocks count too, but not the rebuild when its refresh ends.
    const auto lastBlocks = Blocks(600, clock);
    longestKey = std::max(longestKey, Longest(lastBlocks, before.At, after.At));
    WaitForView(project, view);
    const double shown = Ms(after.At - lastKeyAt);
    const int filtered = model->rowCount();
    frame.SetFilterText(QString());
    WaitForView(project, view);

    // Ctrl+A on all rows.
    QElapsedTimer selectTimer;
    selectTimer.start();
    tree->selectAll();
    QCoreApplication::processEvents();
    const double selectAll = Ms(selectTimer.nsecsElapsed());
    tree->clearSelection();

    // One repaint of the viewport per page while paging down.
    QList<double> repaints;
    for (int page = 0; page < 40; ++page) {
        tree->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QElapsedTimer timer;
        timer.start();
        tree->viewport()->repaint();
        repaints << Ms(timer.nsecsElapsed());
    }
    std::sort(repaints.begin(), repaints.end());
    view->Listeners()->RemoveListener(&before);
    view->Listeners()->RemoveListener(&after);

    const double typingBlock = Ms(longestKey);
    Out() << QStringLiteral("rows              %1").arg(rows) << Qt::endl;
    Out() << QStringLiteral("rebuild           %1 ms (%2 selected restored)")
                 .arg(Figure(rebuild))
                 .arg(restored)
          << Qt::endl;
    Out() << QStringLiteral("rebuild, changed  %1 ms (%2 selected restored)")
                 .arg(Figure(rebuildAfterChange))
                 .arg(frame.SelectedCount())
          << Qt::endl;
    Out() << QStringLiteral("sort worst        %1 ms (column %2)")
                 .arg(Figure(worstSort))
                 .arg(worstColumn)
          << Qt::endl;
    Out() << QStringLiteral("typing block      %1 ms (\"%2\")").arg(Figure(typingBlock), filter)
          << Qt::endl;
    Out() << QStringLiteral("filtered shown    %1 ms (%2 rows)").arg(Figure(shown)).arg(filtered)
          << Qt::endl;
    Out() << QStringLiteral("select all        %1 ms").arg(Figure(selectAll)) << Qt::endl;
    Out() << QStringLiteral("repaint           %1 ms median, %2 ms max")
                 .arg(Figure(repaints.at(repaints.size() / 2)), Figure(repaints.last()))
          << Qt::endl;
    if (json)
        Out()
            << QStringLiteral(
                   "{\"rows\":%1,\"rebuild_ms\":%2,\"restored\":%3,\"rebuild_after_change_ms\":%12,"
                   "\"sort_worst_ms\":%4,\"sort_worst_column\":%5,"
                   "\"typing_block_ms\":%6,\"filtered_shown_ms\":%7,"
                   "\"filtered_rows\":%8,\"select_all_ms\":%9,"
                   "\"repaint_median_ms\":%10,\"repaint_max_ms\":%11}")
                   .arg(rows)
                   .arg(Figure(rebuild))
                   .arg(restored)
                   .arg(Figure(worstSort))
                   .arg(worstColumn)
                   .arg(Figure(typingBlock), Figure(shown))
                   .arg(filtered)
                   .arg(Figure(selectAll), Figure(repaints.at(repaints.size() / 2)),
                        Figure(repaints.last()))
                   .arg(Figure(rebuildAfterChange))
            << Qt::endl;
    return 0;
}

// "Match All" on the Unmatched page of a project window's pages; the match window is answered
// with Cancel as soon as it would show, so the project is left as it was.
int MeasureMatchWindow(const QString& folder, bool json) {
    TLyOptions appOptions;
    TLyProject project(&appOptions, appOptions.ProjectWindow()->Views());
    project.Options()->LibraryOne()->SetInputPath(QDir(folder).filePath(QStringLiteral("one.xml")));
    project.Options()->LibraryTwo()->SetInputPath(QDir(folder).filePath(QStringLiteral("two.xml")));
    project.Reload();
    TLyView* view = project.MatchResult()->View(QStringLiteral("Unmatched"));
    WaitForView(project, view);
    TLySongMatchResult frame;
    QObject::connect(&frame, &TLySongMatchResult::MatchRequested,
                     [&](const QList<TLySong*>& songs) { LyMatchSongs(&frame, &project, songs); });
    frame.resize(1200, 800);
    frame.show();
    frame.SetMatchResult(project.MatchResult());
    frame.SetCurrentPage(TLySongMatchResult::pgUnmatched);
    WaitForView(project, view);
    TLySongMatchResultList* list = frame.CurrentList();
    const int unmatched = view->Songs().Count();

    QElapsedTimer clock;
    clock.start();
    qint64 shownAt = -1;
    int proposed = 0;
    TLyDialogAnswers answers([&](const TLyDialogRequest& request) {
        if (request.Detail != u"TLyMatchForm")
            return TLyDialogAnswer{QDialog::Accepted, {}};
        shownAt = clock.nsecsElapsed();
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* form = qobject_cast<TLyMatchForm*>(widget))
                proposed = form->FrmSongMatchResult()->MatchResult()->Songs().Count();
        return TLyDialogAnswer{QDialog::Rejected, {}};
    });
    // The loop's turns meanwhile: a 1 ms timer notes each gap between two turns.
    qint64 last = clock.nsecsElapsed();
    qint64 longest = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    tick.start();
    const qint64 start = clock.nsecsElapsed();
    QTimer::singleShot(0, list, [list] {
        list->UpdateActions();
        list->ActMatchAll()->trigger();
    });
    QElapsedTimer wait;
    wait.start();
    while (shownAt < 0 && wait.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    Blocks(50, clock);
    longest = std::max(longest, clock.nsecsElapsed() - last);
    tick.stop();
    frame.SetMatchResult(nullptr);
    if (shownAt < 0) {
        QTextStream(stderr) << "lyrabridge-bench-ui: the match window never showed\n";
        return 1;
    }
    const double toWindow = Ms(shownAt - start);
    Out() << QStringLiteral("unmatched songs   %1").arg(unmatched) << Qt::endl;
    Out() << QStringLiteral("proposed songs    %1").arg(proposed) << Qt::endl;
    Out() << QStringLiteral("window shown      %1 ms after Match All").arg(Figure(toWindow))
          << Qt::endl;
    Out() << QStringLiteral("longest block     %1 ms").arg(Figure(Ms(longest))) << Qt::endl;
    if (json)
        Out() << QStringLiteral("{\"unmatched\":%1,\"proposed\":%2,\"window_shown_ms\":%3,"
                                "\"longest_block_ms\":%4}")
                     .arg(unmatched)
                     .arg(proposed)
                     .arg(Figure(toWindow), Figure(Ms(longest)))
              << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Times the song list on two generated libraries of N tracks each."));
    parser.addHelpOption();
    const QCommandLineOption tracksOption(QStringLiteral("tracks"),
                                          QStringLiteral("Tracks per library (default 100000)."),
                                          QStringLiteral("N"), QStringLiteral("100000"));
    const QCommandLineOption workOption(
        QStringLiteral("work"), QStringLiteral("Folder for the libraries, reused when they match."),
        QStringLiteral("DIR"), QDir::temp().filePath(QStringLiteral("lyrabridge-bench-ui")));
    const QCommandLineOption filterOption(QStringLiteral("filter"),
                                          QStringLiteral("The filter typed key by key."),
                                          QStringLiteral("TEXT"), QStringLiteral("love"));
    const QCommandLineOption jsonOption(QStringLiteral("json"),
                                        QStringLiteral("Print the figures as one JSON object "
                                                       "on the last line."));
    const QCommandLineOption matchWindowOption(
        QStringLiteral("match-window"),
        QStringLiteral("Time \"Match All\" on the Unmatched page until the match window shows."));
    parser.addOptions({tracksOption, workOption, filterOption, jsonOption, matchWindowOption});
    parser.process(app);
    const int tracks = parser.value(tracksOption).toInt();
    if (tracks < 1) {
        QTextStream(stderr) << "lyrabridge-bench-ui: --tracks needs a positive number\n";
        return 2;
    }
    QString error;
    if (!LyEnsureBenchLibraries(parser.value(workOption), tracks, &error)) {
        QTextStream(stderr) << "lyrabridge-bench-ui: " << error << '\n';
        return 1;
    }
    LySystemStartup();
    int result = 1;
    try {
        result = parser.isSet(matchWindowOption)
                     ? MeasureMatchWindow(parser.value(workOption), parser.isSet(jsonOption))
                     : Measure(parser.value(workOption), parser.value(filterOption),
                               parser.isSet(jsonOption));
    } catch (const Exception& e) {
        QTextStream(stderr) << "lyrabridge-bench-ui: " << e.Message() << '\n';
    }
    LySystemShutdown();
    return result;
}
