// The command line of lyrabridge-cli: one command, the project file and the command's options,
// checked here so that a mistake is reported before any file is read.
#pragma once

#include "LyTypes.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

enum class TCliCommand { New, Stats, Sync, ToITunes };

struct TCliArguments {
    TCliCommand Command = TCliCommand::Stats;
    QString Project;
    bool Json = false;
    bool Quiet = false;

    // new
    QString InputOne;
    QString InputTwo;
    QString NameOne;
    QString NameTwo;
    QString OutputOne;
    QString OutputTwo;

    // stats, sync, to-itunes; a compare mode given implies Rematch
    bool Rematch = false;
    std::optional<tLySongCompareMode> Match;

    // sync, to-itunes: applied over the project's actions, in the order given
    QList<std::pair<tLySongPart, tLySynchronizeAction>> Actions;
    bool Force = false;

    // sync
    QList<int> ExportSides{0, 1};
    bool DryRun = false;
    QString ReportFile;
    bool SaveProject = false;

    // to-itunes
    int Side = 0;
    QString ITunesLibrary;
    QString BackupFolder; // empty with NoBackup
    bool NoBackup = false;
    bool NoSync = false;
    QString StartProgram; // empty: nothing is started
};

struct TCliParseResult {
    enum TKind { Run, Help, Version, UsageError };
    TKind Kind = UsageError;
    TCliArguments Arguments;
    // The help or version text, or the usage error.
    QString Text;
};

// `arguments` as main() receives them, the program's own name first.
TCliParseResult ParseCliArguments(const QStringList& arguments);

// The part names of the command line ("name", "artist", ..., "rating"), in part order; the
// figures use them too.
QString CliPartName(tLySongPart part);
// "ignore", "one", "two", "max", "min", "add".
QString CliActionName(tLySynchronizeAction action);
// The --match value of a compare mode.
QString CliModeName(tLySongCompareMode mode);
// "one" for side 0, "two" for side 1.
QString CliSideName(int side);

QString CliVersionText();
