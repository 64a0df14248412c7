// lyrabridge-cli as a function, so that tests run its commands in-process.
#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

struct TCliEnvironment {
    // Standard error is a terminal: a progress bar is drawn on it while a run lasts.
    bool ErrIsTerminal = false;
    // The proc file system, where the running programs are looked up.
    QString ProcRoot = QStringLiteral("/proc");
};

// Runs one command line (`arguments` as main() receives them) and returns the exit status: 0 on
// success, 1 when the work failed (the message is on `err`), 2 on a usage error. The engine must
// have been started (LySystemStartup).
int RunCli(const QStringList& arguments, QTextStream& out, QTextStream& err,
           const TCliEnvironment& environment = {});
