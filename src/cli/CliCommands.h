// The commands of lyrabridge-cli: new, stats, sync and to-itunes.
#pragma once

#include "CliArguments.h"

#include <QTextStream>

class ILyProcessListener;

struct TCliContext {
    QTextStream& Out;
    QTextStream& Err;
    // Receives the project's run notifications; null for no progress display.
    ILyProcessListener* Progress;
    // The proc file system, where the running programs are looked up.
    QString ProcRoot;
};

// Runs the command of `arguments`; raises ECliFailure (or another Exception) when it fails.
void RunCliCommand(const TCliArguments& arguments, TCliContext& context);
