// lyrabridge-cli: the synchronisation engine without a window.
#include "Cli.h"
#include "LySystem.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lyrabridge-cli"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    TCliEnvironment environment;
    environment.ErrIsTerminal = isatty(fileno(stderr)) == 1;
    LySystemStartup();
    const int status = RunCli(QCoreApplication::arguments(), out, err, environment);
    LySystemShutdown();
    return status;
}
