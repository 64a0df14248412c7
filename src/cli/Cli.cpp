#include "Cli.h"

#include "CliArguments.h"
#include "CliCommands.h"
#include "CliFailure.h"
#include "CliProgress.h"

#include <memory>

int RunCli(const QStringList& arguments, QTextStream& out, QTextStream& err,
           const TCliEnvironment& environment) {
    const QString program = QStringLiteral("lyrabridge-cli: ");
    const TCliParseResult parsed = ParseCliArguments(arguments);
    switch (parsed.Kind) {
    case TCliParseResult::Help:
    case TCliParseResult::Version:
        out << parsed.Text << Qt::flush;
        return 0;
    case TCliParseResult::UsageError:
        err << program << parsed.Text << Qt::endl;
        return 2;
    case TCliParseResult::Run:
        break;
    }

    const TCliArguments& args = parsed.Arguments;
    std::unique_ptr<TCliProgress> progress;
    if (environment.ErrIsTerminal && !args.Quiet)
        progress = std::make_unique<TCliProgress>(err);
    TCliContext context{out, err, progress.get(), environment.ProcRoot};
    int status = 0;
    try {
        RunCliCommand(args, context);
    } catch (const Exception& error) {
        status = 1;
        out.flush();
        err << program << error.Message() << Qt::endl;
    } catch (const std::exception& error) {
        status = 1;
        out.flush();
        err << program << QString::fromUtf8(error.what()) << Qt::endl;
    }
    out.flush();
    err.flush();
    return status;
}
