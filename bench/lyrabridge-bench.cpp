// lyrabridge-bench: generates two realistic libraries and times the engine's own runs on them
// (load and exact match, match with the default compare options, synchronise every song, store
// library One, reload), next to the floor of simply reading both files.
#include "LibraryGenerator.h"
#include "LyOptions.h"
#include "LyProcessListener.h"
#include "LyProject.h"
#include "LySystem.h"
#include "LyView.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

namespace {

QTextStream& Out() {
    static QTextStream stream(stdout);
    return stream;
}

QTextStream& Err() {
    static QTextStream stream(stderr);
    return stream;
}

// Catches the first failure or cancel a run reports; the task's caption holds the message.
class TFailureListener : public TLyProcessListener {
public:
    explicit TFailureListener(TLyProject* project)
        : FProject(project) {
        FProject->Listeners()->AddListener(this);
    }
    ~TFailureListener() override { Detach(); }

    void OwnerDestroying(TLyProcess*) override { Detach(); }
    void TaskFailed(ILyProcessTask* task) override { Remember(task->Caption()); }
    void TaskCancelled(ILyProcessTask* task) override {
        Remember(QStringLiteral("cancelled: ") + task->Caption());
    }

    QString TakeMessage() {
        QString message = FMessage;
        FMessage.clear();
        FFailed = false;
        return message;
    }
    bool Failed() const { return FFailed; }

private:
    void Remember(const QString& message) {
        if (!FFailed)
            FMessage = message.isEmpty() ? QStringLiteral("failed without a message") : message;
        FFailed = true;
    }
    void Detach() {
        if (FProject) {
            FProject->Listeners()->RemoveListener(this);
            FProject = nullptr;
        }
    }

    TLyProject* FProject;
    QString FMessage;
    bool FFailed = false;
};

struct TFigures {
    int Tracks = 0;
    qint64 InputBytes = 0;
    double FloorRead = 0;
    double LoadLibraries = 0;
    double MatchSongs = 0;
    double SynchronizeAll = 0;
    double StoreLibrary = 0;
    double RefreshViews = 0;
    double ReloadLongestBlock = 0;
    qint64 PeakRss = 0;
    std::optional<double> XmllintNoout;
};

double Seconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e9;
}

void PrintPhase(const QString& name, double seconds, const QString& note = QString()) {
    Out() << name.leftJustified(18) << QString::number(seconds, 'f', 3).rightJustified(9)
          << QStringLiteral(" s");
    if (!note.isEmpty())
        Out() << QStringLiteral("   ") << note;
    Out() << Qt::endl;
}

QString Megabytes(qint64 bytes) {
    return QString::number(double(bytes) / 1e6, 'f', 1) + QStringLiteral(" MB");
}

// The most resident memory this process has used (VmHWM); 0 when unknown.
qint64 PeakResidentBytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray& line : lines) {
        if (line.startsWith("VmHWM:")) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() >= 2)
                return fields.at(1).toLongLong() * 1024;
        }
    }
    return 0;
}

// The two library files of the run, generated unless the folder already holds them for this
// track count, seed and generator version.
class TLibraryFiles {
public:
    TLibraryFiles(const QString& folder, const TLyLibraryGenerator& generator)
        : FFolder(folder)
        , FGenerator(generator) {}

    QString One() const { return FFolder.filePath(QStringLiteral("one.xml")); }
    QString Two() const { return FFolder.filePath(QStringLiteral("two.xml")); }

    bool Reusable() const {
        QFile stamp(StampPath());
        if (!stamp.open(QIODevice::ReadOnly | QIODevice::Text))
            return false;
        return QString::fromUtf8(stamp.readAll()) == Stamp();
    }

    bool Generate(QString* error) {
        QFile::remove(StampPath());
        if (!FGenerator.WriteFile(One(), TLyBenchLibrary::One, error) ||
            !FGenerator.WriteFile(Two(), TLyBenchLibrary::Two, error))
            return false;
        QFile stamp(StampPath());
        if (!stamp.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text) ||
            stamp.write(Stamp().toUtf8()) < 0) {
            *error = QStringLiteral("Cannot write %1: %2").arg(StampPath(), stamp.errorString());
            return false;
        }
        return true;
    }

private:
    QString StampPath() const { return FFolder.filePath(QStringLiteral("libraries.stamp")); }
    // The generator's fingerprint and the files' sizes: a changed or truncated file is
    // regenerated.
    QString Stamp() const {
        return QStringLiteral("%1\none.xml %2\ntwo.xml %3\n")
            .arg(FGenerator.Fingerprint())
            .arg(QFileInfo(One()).size())
            .arg(QFileInfo(Two()).size());
    }

    QDir FFolder;
    const TLyLibraryGenerator& FGenerator;
};

// Reads both files completely into memory: the least any loader has to spend.
bool FloorRead(const QStringList& paths, double* seconds, QString* error) {
    QElapsedTimer timer;
    timer.start();
    for (const QString& path : paths) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
            return false;
        }
        const QByteArray bytes = file.readAll();
        if (bytes.size() != file.size()) {
            *error = QStringLiteral("Cannot read %1 completely").arg(path);
            return false;
        }
    }
    *seconds = Seconds(timer);
    return true;
}

// Starts one project run and waits for it; false with the run's failure message if it failed.
bool TimeRun(TLyProject& project, TFailureListener& listener, const std::function<void()>& start,
             double* seconds, QString* error) {
    QElapsedTimer timer;
    timer.start();
    try {
        start();
        project.Process()->WaitFor();
    } catch (const Exception& e) {
        *error = e.Message();
        return false;
    }
    *seconds = Seconds(timer);
    if (listener.Failed()) {
        *error = listener.TakeMessage();
        return false;
    }
    return true;
}

bool XmllintNoout(const QStringList& paths, double* seconds, QString* error) {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    QElapsedTimer timer;
    timer.start();
    process.start(program, QStringList{QStringLiteral("--noout")} + paths);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        const QString detail = QString::fromLocal8Bit(process.readAllStandardError()).left(2000);
        *error = QStringLiteral("xmllint --noout failed (exit code %1): %2")
                     .arg(process.exitCode())
                     .arg(detail.isEmpty() ? process.errorString() : detail);
        return false;
    }
    *seconds = Seconds(timer);
    return true;
}

// Reloads the project as a window would, with the main thread in its event loop, and returns
// the longest stretch in which that loop did not get round to a 1 ms timer: how long a window
// would freeze. It ends when the reload's run and the views' refreshes have ended.
bool ReloadLongestBlock(TLyProject& project, TFailureListener& listener, double* seconds,
                        QString* error) {
    const auto idle = [&] {
        if (project.Process()->Running())
            return false;
        for (const QString& name : TLyWindowOptions::DefaultViewNames()) {
            const TLyView* view = project.MatchResult()->View(name);
            if (view && view->Process()->Running())
                return false;
        }
        return true;
    };
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    const auto beat = [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    };
    QEventLoop loop;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    heartbeat.setInterval(1);
    QObject::connect(&heartbeat, &QTimer::timeout, &loop, [&] {
        beat();
        if (idle())
            loop.quit();
    });
    clock.start();
    try {
        project.Reload();
    } catch (const Exception& e) {
        *error = e.Message();
        return false;
    }
    beat();
    heartbeat.start();
    loop.exec();
    project.Process()->WaitFor();
    *seconds = double(longest) / 1e9;
    if (listener.Failed()) {
        *error = listener.TakeMessage();
        return false;
    }
    return true;
}

QString MatchSummary(const TLyMatchResult& result) {
    int matched = 0, oneOnly = 0, twoOnly = 0;
    for (int i = 0; i < result.Songs().Count(); ++i) {
        const TLySong* song = result.Songs().Items(i);
        if (song->IsMatched())
            ++matched;
        else if (song->OriginalOne().Exists())
            ++oneOnly;
        else
            ++twoOnly;
    }
    return QStringLiteral("%1 matched, %2 One only, %3 Two only")
        .arg(matched)
        .arg(oneOnly)
        .arg(twoOnly);
}

QString ModifiedSummary(const TLyMatchResult& result) {
    int changed = 0;
    for (int i = 0; i < result.Songs().Count(); ++i) {
        if (result.Songs().Items(i)->IsModifiedAny())
            ++changed;
    }
    return QStringLiteral("%1 songs changed").arg(changed);
}

QString Json(const TFigures& f) {
    const auto number = [](double value) {
        return QString::number(value, 'f', 4);
    };
    QString json = QStringLiteral("{\"tracks\":%1,\"input_bytes\":%2,\"floor_read_s\":%3,"
                                  "\"load_libraries_s\":%4,\"match_songs_s\":%5,"
                                  "\"synchronize_all_s\":%6,\"store_library_s\":%7,"
                                  "\"peak_rss_bytes\":%8,\"refresh_views_s\":%9,"
                                  "\"reload_longest_block_s\":%10")
                       .arg(f.Tracks)
                       .arg(f.InputBytes)
                       .arg(number(f.FloorRead), number(f.LoadLibraries), number(f.MatchSongs),
                            number(f.SynchronizeAll), number(f.StoreLibrary))
                       .arg(f.PeakRss)
                       .arg(number(f.RefreshViews), number(f.ReloadLongestBlock));
    if (f.XmllintNoout)
        json += QStringLiteral(",\"xmllint_noout_s\":") + number(*f.XmllintNoout);
    return json + u'}';
}

int Fail(const QString& phase, const QString& message) {
    Out().flush();
    Err() << QStringLiteral("lyrabridge-bench: %1 failed: %2").arg(phase, message) << Qt::endl;
    return 1;
}

// Drives the engine's runs on the two files; the engine must be started.
int Measure(const QString& folder, const TLibraryFiles& files, bool json, TFigures figures) {
    QString error;
    if (!FloorRead({files.One(), files.Two()}, &figures.FloorRead, &error))
        return Fail(QStringLiteral("floor_read"), error);
    PrintPhase(QStringLiteral("floor_read"), figures.FloorRead);

    TLyOptions appOptions;
    TLyProject project(&appOptions, appOptions.ProjectWindow()->Views());
    TFailureListener listener(&project);
    TLyProjectOptions* options = project.Options();
    options->LibraryOne()->SetInputPath(files.One());
    options->LibraryOne()->SetOutputPath(QDir(folder).filePath(QStringLiteral("one-stored.xml")));
    options->Library(1)->SetInputPath(files.Two());
    options->Library(1)->SetOutputPath(QDir(folder).filePath(QStringLiteral("two-stored.xml")));
    // User data keeps the larger value; the genre follows library One, so synchronising really
    // writes values into both sides.
    options->SetAction(sdPlayCount, saUseMax);
    options->SetAction(sdLastPlayed, saUseMax);
    options->SetAction(sdRating, saUseMax);
    options->SetAction(sdGenre, saUseOne);

    if (!TimeRun(
            project, listener, [&] { project.LoadLibraries(); }, &figures.LoadLibraries, &error))
        return Fail(QStringLiteral("load_libraries"), error);
    if (!project.IsLoaded())
        return Fail(QStringLiteral("load_libraries"),
                    QStringLiteral("the libraries are not loaded"));
    PrintPhase(QStringLiteral("load_libraries"), figures.LoadLibraries,
               QStringLiteral("exact: ") + MatchSummary(*project.MatchResult()));

    if (!TimeRun(
            project, listener, [&] { project.MatchSongs(); }, &figures.MatchSongs, &error))
        return Fail(QStringLiteral("match_songs"), error);
    PrintPhase(QStringLiteral("match_songs"), figures.MatchSongs,
               MatchSummary(*project.MatchResult()));

    if (!TimeRun(
            project, listener, [&] { project.MatchResult()->SynchronizeAll(); },
            &figures.SynchronizeAll, &error))
        return Fail(QStringLiteral("synchronize_all"), error);
    PrintPhase(QStringLiteral("synchronize_all"), figures.SynchronizeAll,
               ModifiedSummary(*project.MatchResult()));

    // The six default views, each on its own worker, over the synchronised match result.
    {
        project.MatchResult()->CreateViews();
        QElapsedTimer timer;
        timer.start();
        project.RefreshViews();
        int listed = 0;
        for (const QString& name : TLyWindowOptions::DefaultViewNames()) {
            TLyView* view = project.MatchResult()->View(name);
            view->Process()->WaitFor();
        }
        ProcessMainThreadCalls(); // the views hand their lists over on the main thread
        figures.RefreshViews = Seconds(timer);
        for (const QString& name : TLyWindowOptions::DefaultViewNames())
            listed += project.MatchResult()->View(name)->Songs().Count();
        PrintPhase(QStringLiteral("refresh_views"), figures.RefreshViews,
                   QStringLiteral("%1 songs listed in 6 views").arg(listed));
    }

    if (!TimeRun(
            project, listener, [&] { project.StoreLibrary(0); }, &figures.StoreLibrary, &error))
        return Fail(QStringLiteral("store_library"), error);
    const QString stored = options->LibraryOne()->OutputPath();
    PrintPhase(QStringLiteral("store_library"), figures.StoreLibrary,
               QStringLiteral("%1, %2").arg(QFileInfo(stored).fileName(),
                                            Megabytes(QFileInfo(stored).size())));

    figures.PeakRss = PeakResidentBytes();
    Out() << QStringLiteral("peak_rss").leftJustified(18)
          << Megabytes(figures.PeakRss).rightJustified(11)
          << QStringLiteral("   %1 x input")
                 .arg(double(figures.PeakRss) / double(figures.InputBytes), 0, 'f', 2)
          << Qt::endl;

    if (!QStandardPaths::findExecutable(QStringLiteral("xmllint")).isEmpty()) {
        double seconds = 0;
        if (!XmllintNoout({files.One(), files.Two()}, &seconds, &error))
            return Fail(QStringLiteral("xmllint_noout"), error);
        figures.XmllintNoout = seconds;
        PrintPhase(QStringLiteral("xmllint_noout"), seconds);
    }

    // Last, so that the figures above (the peak memory among them) are those of one load.
    QElapsedTimer reload;
    reload.start();
    if (!ReloadLongestBlock(project, listener, &figures.ReloadLongestBlock, &error))
        return Fail(QStringLiteral("reload_longest_block"), error);
    if (!project.IsLoaded())
        return Fail(QStringLiteral("reload_longest_block"),
                    QStringLiteral("the libraries are not loaded"));
    PrintPhase(QStringLiteral("reload_block"), figures.ReloadLongestBlock,
               QStringLiteral("longest main-thread block of a reload taking %1 s")
                   .arg(Seconds(reload), 0, 'f', 3));

    if (json)
        Out() << Json(figures) << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lyrabridge-bench"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Generates two music libraries of N tracks each and times loading, matching,\n"
        "synchronising and storing them with the engine. Prints one line per phase."));
    parser.addHelpOption();
    const QCommandLineOption tracksOption(QStringLiteral("tracks"),
                                          QStringLiteral("Tracks per library (default 100000)."),
                                          QStringLiteral("N"), QStringLiteral("100000"));
    const QCommandLineOption workOption(
        QStringLiteral("work"),
        QStringLiteral("Folder for the libraries; kept, and its libraries reused when they "
                       "match. Default: a temporary folder removed afterwards."),
        QStringLiteral("DIR"));
    const QCommandLineOption seedOption(
        QStringLiteral("seed"),
        QStringLiteral("Generator seed (default %1).").arg(TLyLibraryGenerator::kDefaultSeed),
        QStringLiteral("S"), QString::number(TLyLibraryGenerator::kDefaultSeed));
    const QCommandLineOption jsonOption(QStringLiteral("json"),
                                        QStringLiteral("Print the figures as one JSON object "
                                                       "on the last line."));
    parser.addOptions({tracksOption, workOption, seedOption, jsonOption});
    parser.process(app);

    bool ok = false;
    const int tracks = parser.value(tracksOption).toInt(&ok);
    if (!ok || tracks < 1) {
        Err() << QStringLiteral("lyrabridge-bench: --tracks needs a positive number") << Qt::endl;
        return 2;
    }
    const quint64 seed = parser.value(seedOption).toULongLong(&ok);
    if (!ok) {
        Err() << QStringLiteral("lyrabridge-bench: --seed needs a number") << Qt::endl;
        return 2;
    }

    std::unique_ptr<QTemporaryDir> temporary;
    QString folder = parser.value(workOption);
    if (folder.isEmpty()) {
        temporary = std::make_unique<QTemporaryDir>(
            QDir::temp().filePath(QStringLiteral("lyrabridge-bench-XXXXXX")));
        if (!temporary->isValid())
            return Fail(QStringLiteral("setup"), temporary->errorString());
        folder = temporary->path();
    } else if (!QDir().mkpath(folder)) {
        return Fail(QStringLiteral("setup"), QStringLiteral("Cannot create %1").arg(folder));
    }
    folder = QDir(folder).absolutePath();

    const TLyLibraryGenerator generator(tracks, seed);
    TLibraryFiles files(folder, generator);
    Out() << QStringLiteral("work folder       %1").arg(folder) << Qt::endl;
    if (files.Reusable()) {
        Out() << QStringLiteral("generate          reused (%1)").arg(generator.Fingerprint())
              << Qt::endl;
    } else {
        QElapsedTimer timer;
        timer.start();
        QString error;
        if (!files.Generate(&error))
            return Fail(QStringLiteral("generate"), error);
        PrintPhase(QStringLiteral("generate"), Seconds(timer), generator.Fingerprint());
    }

    TFigures figures;
    figures.Tracks = tracks;
    figures.InputBytes = QFileInfo(files.One()).size() + QFileInfo(files.Two()).size();
    Out() << QStringLiteral("input             %1 (%2 tracks each)")
                 .arg(Megabytes(figures.InputBytes))
                 .arg(tracks)
          << Qt::endl;

    LySystemStartup();
    int result = 1;
    try {
        result = Measure(folder, files, parser.isSet(jsonOption), figures);
    } catch (const Exception& e) {
        result = Fail(QStringLiteral("benchmark"), e.Message());
    }
    LySystemShutdown();
    return result;
}
