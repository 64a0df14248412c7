#include "CliCommands.h"

#include "ArFormat.h"
#include "CliFailure.h"
#include "CliJson.h"
#include "CliProjectRunner.h"
#include "CliReport.h"
#include "CliText.h"
#include "LyITunesReplace.h"
#include "LyShell.h"
#include "VxShell.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QStandardPaths>

#include <atomic>
#include <memory>

namespace {

[[noreturn]] void Fail(const QString& format, const QVariantList& args) {
    throw ECliFailure(ArFormat(format, args));
}

QString Absolute(const QString& path) {
    return path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}

bool SamePath(const QString& a, const QString& b) {
    return QDir::cleanPath(Absolute(a)) == QDir::cleanPath(Absolute(b));
}

// Text for people goes out unless --quiet or --json asks for none.
bool Talks(const TCliArguments& arguments) {
    return !arguments.Quiet && !arguments.Json;
}

QString LibraryName(TCliProjectRunner& runner, int side) {
    return runner.Options().Library(side)->Name();
}

// ---------------------------------------------------------------------------------------------
// new

QJsonObject LibraryJson(TLyLibraryOptions& library) {
    return {{QStringLiteral("name"), library.Name()},
            {QStringLiteral("input"), library.InputPath()},
            {QStringLiteral("output"), library.OutputPath()}};
}

void SetLibrary(TLyLibraryOptions& library, const QString& name, const QString& input,
                const QString& output) {
    if (!name.isEmpty())
        library.SetName(name);
    library.SetInputPath(Absolute(input));
    library.SetOutputPath(Absolute(output));
    if (!library.InputIsValid())
        Fail(QStringLiteral("Library [%s]: input file [%s] does not exist or is not a file."),
             {library.Name(), library.InputPath()});
    if (QFileInfo(library.OutputPath()).isDir())
        Fail(QStringLiteral("Library [%s]: output file [%s] is a folder."),
             {library.Name(), library.OutputPath()});
}

void RunNew(const TCliArguments& arguments, TCliContext& context) {
    const QString fileName = Absolute(arguments.Project);
    // A project holds choices made by hand; it is never replaced without being asked.
    if (QFileInfo::exists(fileName))
        Fail(QStringLiteral("Project file [%s] already exists; remove it or choose another "
                            "name."),
             {fileName});
    TLyProjectOptions options;
    options.SetName(fileName);
    SetLibrary(*options.LibraryOne(), arguments.NameOne, arguments.InputOne, arguments.OutputOne);
    SetLibrary(*options.LibraryTwo(), arguments.NameTwo, arguments.InputTwo, arguments.OutputTwo);
    if (!arguments.OutputOne.isEmpty() &&
        SamePath(options.LibraryOne()->OutputPath(), options.LibraryTwo()->OutputPath()))
        Fail(QStringLiteral("Both libraries would be written to [%s]."),
             {options.LibraryOne()->OutputPath()});
    options.Store();

    if (arguments.Json)
        context.Out << CliJsonLine({{QStringLiteral("project"), fileName},
                                    {QStringLiteral("one"), LibraryJson(*options.LibraryOne())},
                                    {QStringLiteral("two"), LibraryJson(*options.LibraryTwo())}})
                    << Qt::endl;
    else if (!arguments.Quiet)
        context.Out << QStringLiteral("Project written: %1\n").arg(fileName);
}

// ---------------------------------------------------------------------------------------------
// stats, and the first half of sync and to-itunes

TCliStats LoadAndCount(const TCliArguments& arguments, TCliContext& context,
                       TCliProjectRunner& runner) {
    if (arguments.Match)
        runner.Options().CompareOptions()->SetMode(*arguments.Match);
    runner.LoadAndMatch(arguments.Rematch);
    TCliStats stats = CountStats(*runner.Project().MatchResult());
    stats.PairsApplied = runner.Project().RememberedPairsApplied();
    stats.PairsGone = runner.Project().RememberedPairsGone();
    if (Talks(arguments))
        context.Out << CliStatsText(stats, LibraryName(runner, 0), LibraryName(runner, 1))
                    << Qt::flush;
    return stats;
}

void RunStats(const TCliArguments& arguments, TCliContext& context) {
    TCliProjectRunner runner(arguments.Project, context.Progress);
    const TCliStats stats = LoadAndCount(arguments, context, runner);
    if (arguments.Json)
        context.Out << CliJsonLine(CliStatsJson(stats)) << Qt::endl;
}

TCliChanges Synchronize(const TCliArguments& arguments, TCliContext& context,
                        TCliProjectRunner& runner) {
    TLyProjectOptions& options = runner.Options();
    for (const auto& [part, action] : arguments.Actions)
        options.SetAction(part, action);
    if (arguments.Force)
        options.SetForceSynchronize(true);
    runner.SynchronizeAll();
    const TCliChanges changes = CountChanges(*runner.Project().MatchResult());
    if (Talks(arguments))
        context.Out << CliChangesText(changes, LibraryName(runner, 0), LibraryName(runner, 1))
                    << Qt::flush;
    return changes;
}

// ---------------------------------------------------------------------------------------------
// sync

// Every library to be written has an output file, and not the same one.
void CheckOutputs(TCliProjectRunner& runner, const QList<int>& sides) {
    for (int side : sides) {
        TLyLibraryOptions& library = *runner.Options().Library(side);
        if (library.OutputPath().isEmpty())
            Fail(QStringLiteral(
                     "Library [%s] of project [%s] has no output file. Set one in the library's "
                     "properties in Lyrabridge, or create the project with 'lyrabridge-cli new "
                     "... --out-%s FILE'; or leave the library out with --export %s."),
                 {library.Name(), runner.FileName(), CliSideName(side),
                  sides.size() > 1 ? CliSideName(1 - side) : QStringLiteral("none")});
        if (QFileInfo(library.OutputPath()).isDir())
            Fail(QStringLiteral("Library [%s]: output file [%s] is a folder."),
                 {library.Name(), library.OutputPath()});
    }
    if (sides.size() == 2 && SamePath(runner.Options().Library(0)->OutputPath(),
                                      runner.Options().Library(1)->OutputPath()))
        Fail(QStringLiteral("Both libraries of project [%s] have the output file [%s]."),
             {runner.FileName(), runner.Options().Library(0)->OutputPath()});
}

void RunSync(const TCliArguments& arguments, TCliContext& context) {
    TCliProjectRunner runner(arguments.Project, context.Progress);
    CheckOutputs(runner, arguments.ExportSides);
    const TCliStats stats = LoadAndCount(arguments, context, runner);
    const TCliChanges changes = Synchronize(arguments, context, runner);
    const QString report = Absolute(arguments.ReportFile);
    if (!report.isEmpty())
        WriteCliReport(report, CliReportRows(*runner.Project().MatchResult()));

    QStringList written;
    bool projectSaved = false;
    if (!arguments.DryRun) {
        for (int side : arguments.ExportSides) {
            runner.Store(side);
            written << runner.Options().Library(side)->OutputPath();
        }
        if (arguments.SaveProject) {
            runner.Options().Store();
            projectSaved = true;
        }
    }

    if (arguments.Json) {
        QJsonObject json = CliStatsJson(stats);
        json.insert(QStringLiteral("changed"), CliChangesJson(changes));
        json.insert(QStringLiteral("written"), QJsonArray::fromStringList(written));
        json.insert(QStringLiteral("report"), report.isEmpty() ? QJsonValue() : report);
        json.insert(QStringLiteral("project_saved"), projectSaved);
        json.insert(QStringLiteral("dry_run"), arguments.DryRun);
        context.Out << CliJsonLine(json) << Qt::endl;
    } else if (!arguments.Quiet) {
        if (!report.isEmpty())
            context.Out << QStringLiteral("Report written: %1\n").arg(report);
        for (const QString& file : std::as_const(written))
            context.Out << QStringLiteral("Library written: %1\n").arg(file);
        if (projectSaved)
            context.Out << QStringLiteral("Project saved: %1\n").arg(runner.FileName());
        if (arguments.DryRun)
            context.Out << QStringLiteral("Dry run: no library or project was written.\n");
    }
}

// ---------------------------------------------------------------------------------------------
// to-itunes

void CheckITunesNotRunning(const TCliContext& context) {
    if (IsITunesRunning(TLySystemProcessList(context.ProcRoot)))
        Fail(QStringLiteral("iTunes is running: quit it before its library is replaced."), {});
}

// Whether `program` names a program that can be started: an executable file, or a name found
// on the search path.
bool IsStartable(const QString& program) {
    const QFileInfo info(program);
    if (info.isFile())
        return info.isExecutable();
    return !program.contains(u'/') && !QStandardPaths::findExecutable(program).isEmpty();
}

QStringList SubFolders(const QString& folder) {
    return QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

// Starts the program the replacement asks for and remembers whether it started, for as long
// as it lives; then the opener before it is back.
class TStartRecorder {
public:
    TStartRecorder()
        : FStarted(std::make_shared<std::atomic<int>>(kNotAsked)) {
        FPrevious = SetFileOpener([started = FStarted](const QString& program, QObject*) {
            started->store(StartProgramDetached(program) ? kStarted : kFailed);
        });
    }
    ~TStartRecorder() { SetFileOpener(FPrevious); }
    TStartRecorder(const TStartRecorder&) = delete;
    TStartRecorder& operator=(const TStartRecorder&) = delete;

    // Waits for the start request to be carried out; true when the program started.
    bool Started() const {
        WaitForOpenFileThreads(30000);
        return FStarted->load() == kStarted;
    }

private:
    static constexpr int kNotAsked = 0;
    static constexpr int kStarted = 1;
    static constexpr int kFailed = 2;
    std::shared_ptr<std::atomic<int>> FStarted;
    TVxFileOpener FPrevious;
};

void RunToITunes(const TCliArguments& arguments, TCliContext& context) {
    const QString library = Absolute(arguments.ITunesLibrary);
    const QString database = ITunesDatabasePath(library);
    const QString backupLocation = Absolute(arguments.BackupFolder);
    // What can be known to fail is checked before the libraries are loaded.
    CheckITunesNotRunning(context);
    if (!arguments.StartProgram.isEmpty() && !IsStartable(arguments.StartProgram))
        Fail(QStringLiteral("Cannot start [%s]: there is no such program, or it is not "
                            "executable."),
             {arguments.StartProgram});
    if (IsReadOnlyFile(database))
        Fail(QStringLiteral("Cannot replace the iTunes library [%s]: iTunes' database [%s] is "
                            "missing or cannot be written."),
             {library, database});

    TCliProjectRunner runner(arguments.Project, context.Progress);
    const TCliStats stats = LoadAndCount(arguments, context, runner);
    TCliChanges changes{};
    if (!arguments.NoSync)
        changes = Synchronize(arguments, context, runner);

    TLyITunesOptions& iTunes = *runner.AppOptions().ITunes();
    iTunes.SetLibraryLocation(library);
    iTunes.SetCreateBackup(!arguments.NoBackup);
    iTunes.SetBackupLocation(backupLocation.isEmpty() ? QString()
                                                      : backupLocation + QDir::separator());
    iTunes.SetStartITunes(!arguments.StartProgram.isEmpty());
    iTunes.SetITunesLocation(arguments.StartProgram);

    const QStringList foldersBefore =
        arguments.NoBackup ? QStringList() : SubFolders(backupLocation);
    CheckITunesNotRunning(context); // it may have been started while the libraries loaded
    TStartRecorder startRecorder;
    runner.ReplaceITunesLibrary(arguments.Side);
    QString backupFolder;
    if (!arguments.NoBackup)
        for (const QString& folder : SubFolders(backupLocation))
            if (!foldersBefore.contains(folder))
                backupFolder = QDir(backupLocation).filePath(folder);
    const bool started = !arguments.StartProgram.isEmpty() && startRecorder.Started();

    if (arguments.Json) {
        QJsonObject json = CliStatsJson(stats);
        if (!arguments.NoSync)
            json.insert(QStringLiteral("changed"), CliChangesJson(changes));
        json.insert(QStringLiteral("written"), QJsonArray{library});
        json.insert(QStringLiteral("backup"), backupFolder.isEmpty() ? QJsonValue() : backupFolder);
        json.insert(QStringLiteral("started"), started);
        context.Out << CliJsonLine(json) << Qt::endl;
    } else if (!arguments.Quiet) {
        context.Out << QStringLiteral("Library %1 is now iTunes' library: %2\n")
                           .arg(LibraryName(runner, arguments.Side), library);
        if (!backupFolder.isEmpty())
            context.Out
                << QStringLiteral("Previous iTunes files backed up to: %1\n").arg(backupFolder);
        if (started)
            context.Out << QStringLiteral("Started: %1\n").arg(arguments.StartProgram);
    }
    if (!arguments.StartProgram.isEmpty() && !started)
        Fail(QStringLiteral("The iTunes library was replaced, but [%s] could not be started."),
             {arguments.StartProgram});
}

} // namespace

void RunCliCommand(const TCliArguments& arguments, TCliContext& context) {
    switch (arguments.Command) {
    case TCliCommand::New:
        RunNew(arguments, context);
        return;
    case TCliCommand::Stats:
        RunStats(arguments, context);
        return;
    case TCliCommand::Sync:
        RunSync(arguments, context);
        return;
    case TCliCommand::ToITunes:
        RunToITunes(arguments, context);
        return;
    }
}
