#include "CliArguments.h"

#include "LyVersion.h"

#include <QCommandLineParser>

#include <array>
#include <optional>

namespace {

const QString kProgram = QStringLiteral("lyrabridge-cli");

enum TCommandMask : unsigned {
    cmNew = 1,
    cmStats = 2,
    cmSync = 4,
    cmToITunes = 8,
    cmLoading = cmStats | cmSync | cmToITunes,
    cmSyncing = cmSync | cmToITunes,
    cmAll = cmNew | cmLoading,
};

struct TCommandInfo {
    TCliCommand Command;
    unsigned Mask;
    const char16_t* Name;
    const char16_t* Syntax;
    const char16_t* Summary;
};

constexpr std::array<TCommandInfo, 4> kCommands{{
    {TCliCommand::New, cmNew, u"new", u"PROJECT --one FILE --two FILE",
     u"Writes a new project file for two library files."},
    {TCliCommand::Stats, cmStats, u"stats", u"PROJECT",
     u"Loads and matches the project's libraries, pairs again the songs paired by hand in the "
     u"program, and prints how many songs match and differ."},
    {TCliCommand::Sync, cmSync, u"sync", u"PROJECT",
     u"As stats, then synchronises every song and writes the libraries to their output files."},
    {TCliCommand::ToITunes, cmToITunes, u"to-itunes",
     u"PROJECT --side one|two --itunes-library FILE (--backup-folder DIR | --no-backup)",
     u"As sync, then puts one library in the place of iTunes' own library."},
}};

struct TOptionInfo {
    const char16_t* Name;
    const char16_t* ValueName; // empty for a flag
    const char16_t* Description;
    unsigned Commands;
};

constexpr std::array<TOptionInfo, 22> kOptions{{
    {u"one", u"FILE", u"Library One's input file.", cmNew},
    {u"two", u"FILE", u"Library Two's input file.", cmNew},
    {u"name-one", u"NAME", u"Library One's display name (default One).", cmNew},
    {u"name-two", u"NAME", u"Library Two's display name (default Two).", cmNew},
    {u"out-one", u"FILE", u"The file library One is written to (default: none).", cmNew},
    {u"out-two", u"FILE", u"The file library Two is written to (default: none).", cmNew},
    {u"rematch", u"",
     u"After the exact matching of the load, match again with the project's compare options.",
     cmLoading},
    {u"match", u"MODE",
     u"Match again as --rematch does, with this compare mode instead of the project's. MODE: "
     u"exact (all text), alphanumeric (letters and numbers), phonetic (sound), persistent-id "
     u"(the tracks' Persistent IDs, for two copies of one library).",
     cmLoading},
    {u"action", u"PART=ACTION",
     u"Synchronise action of one song part, instead of the project's. PART: name, artist, album, "
     u"genre, playcount, lastplayed, rating. ACTION: ignore, one, two, max, min; for playcount "
     u"also add (the plays both libraries gained since they were last exported, added to the "
     u"count they agreed on then). Repeatable.",
     cmSyncing},
    {u"force", u"", u"Synchronise parts that were changed before as well.", cmSyncing},
    {u"export", u"one|two|both|none",
     u"The libraries written to their output files (default both).", cmSync},
    {u"dry-run", u"", u"Synchronise and report, but write no library and no project.", cmSync},
    {u"report", u"FILE",
     u"Write a CSV file with every changed value and every song found in one library only.",
     cmSync},
    {u"save-project", u"",
     u"Store the actions and compare mode used (--action, --force, --match) in the project file.",
     cmSync},
    {u"side", u"one|two", u"The library that replaces iTunes' library.", cmToITunes},
    {u"itunes-library", u"FILE",
     u"iTunes' library XML file; \"iTunes Library.itl\" beside it is emptied.", cmToITunes},
    {u"backup-folder", u"DIR",
     u"Copy both iTunes files into a new time-stamped folder under DIR first.", cmToITunes},
    {u"no-backup", u"", u"Make no backup of iTunes' files.", cmToITunes},
    {u"no-sync", u"", u"Write the library as it was loaded, without synchronising.", cmToITunes},
    {u"start", u"PROGRAM", u"Start PROGRAM when the library is in place.", cmToITunes},
    {u"json", u"", u"Print the figures as one JSON object on standard output.", cmAll},
    {u"quiet", u"", u"Print nothing but errors (and the JSON object with --json).", cmAll},
}};

QString Text(const char16_t* text) {
    return QString::fromUtf16(text);
}

struct TUsageError {
    QString Message;
};

TCliParseResult Failure(const QString& message) {
    TCliParseResult result;
    result.Kind = TCliParseResult::UsageError;
    result.Text = message;
    return result;
}

QString GeneralHelp() {
    QString text = QStringLiteral("Usage: %1 COMMAND PROJECT [options]\n\n"
                                  "Synchronises two music libraries as a project of %2 does, "
                                  "without a window.\n\nCommands:\n")
                       .arg(kProgram, QString::fromLatin1(kLyProductName));
    for (const TCommandInfo& command : kCommands)
        text += QStringLiteral("  %1%2\n")
                    .arg(Text(command.Name).leftJustified(11), Text(command.Summary));
    text += QStringLiteral(
        "\nEvery command takes --json, --quiet, --help and --version.\n"
        "Run '%1 COMMAND --help' for the options of a command.\n\n"
        "Exit status: 0 on success, 1 when the work failed, 2 when the command line is wrong.\n");
    return text.arg(kProgram);
}

// The parser's list of options under our own usage line and summary (the parser would name the
// executable as it was called).
QString CommandHelp(const TCommandInfo& command, const QCommandLineParser& parser) {
    const QString help = parser.helpText();
    const qsizetype firstLineEnd = help.indexOf(u'\n');
    return QStringLiteral("Usage: %1 %2 %3 [options]\n\n%4\n")
               .arg(kProgram, Text(command.Name), Text(command.Syntax), Text(command.Summary)) +
           help.mid(firstLineEnd + 1);
}

std::optional<tLySongPart> PartFromName(const QString& name) {
    for (int part = sdName; part <= sdRating; ++part)
        if (CliPartName(tLySongPart(part)).compare(name, Qt::CaseInsensitive) == 0)
            return tLySongPart(part);
    return std::nullopt;
}

std::optional<tLySynchronizeAction> ActionFromName(const QString& name) {
    for (int action = saIgnore; action <= saAddPlays; ++action)
        if (CliActionName(tLySynchronizeAction(action)).compare(name, Qt::CaseInsensitive) == 0)
            return tLySynchronizeAction(action);
    return std::nullopt;
}

std::pair<tLySongPart, tLySynchronizeAction> ParseAction(const QString& text) {
    const qsizetype equals = text.indexOf(u'=');
    if (equals < 0)
        throw TUsageError{
            QStringLiteral("--action needs PART=ACTION, for example rating=max; got '%1'.")
                .arg(text)};
    const std::optional<tLySongPart> part = PartFromName(text.left(equals).trimmed());
    if (!part)
        throw TUsageError{QStringLiteral("Unknown song part '%1' in --action: use name, artist, "
                                         "album, genre, playcount, lastplayed or rating.")
                              .arg(text.left(equals))};
    const std::optional<tLySynchronizeAction> action =
        ActionFromName(text.mid(equals + 1).trimmed());
    if (!action)
        throw TUsageError{QStringLiteral("Unknown action '%1' in --action: use ignore, one, two, "
                                         "max, min, or add for playcount.")
                              .arg(text.mid(equals + 1))};
    if (*action == saAddPlays && *part != sdPlayCount)
        throw TUsageError{
            QStringLiteral("--action %1: only playcount can add plays.").arg(text.trimmed())};
    return {*part, *action};
}

tLySongCompareMode ParseMatch(const QString& text) {
    for (int mode = scmExactMatch; mode <= scmPersistentIdMatch; ++mode)
        if (CliModeName(tLySongCompareMode(mode)).compare(text.trimmed(), Qt::CaseInsensitive) == 0)
            return tLySongCompareMode(mode);
    throw TUsageError{QStringLiteral("Unknown compare mode '%1' in --match: use exact, "
                                     "alphanumeric, phonetic or persistent-id.")
                          .arg(text)};
}

int ParseSide(const QString& text, const QString& option) {
    if (text.compare(QStringLiteral("one"), Qt::CaseInsensitive) == 0)
        return 0;
    if (text.compare(QStringLiteral("two"), Qt::CaseInsensitive) == 0)
        return 1;
    throw TUsageError{QStringLiteral("%1 takes one or two; got '%2'.").arg(option, text)};
}

QList<int> ParseExport(const QString& text) {
    const QString value = text.toLower();
    if (value == QStringLiteral("both"))
        return {0, 1};
    if (value == QStringLiteral("none"))
        return {};
    if (value == QStringLiteral("one") || value == QStringLiteral("two"))
        return {ParseSide(value, QStringLiteral("--export"))};
    throw TUsageError{QStringLiteral("--export takes one, two, both or none; got '%1'.").arg(text)};
}

// A value that must not be empty; the parser itself already refuses a missing one.
QString Required(const QCommandLineParser& parser, const QString& name) {
    if (!parser.isSet(name))
        throw TUsageError{QStringLiteral("--%1 is required.").arg(name)};
    const QString value = parser.value(name);
    if (value.trimmed().isEmpty())
        throw TUsageError{QStringLiteral("--%1 needs a value.").arg(name)};
    return value;
}

QString Optional(const QCommandLineParser& parser, const QString& name) {
    if (!parser.isSet(name))
        return {};
    return Required(parser, name);
}

void ReadMatchOptions(const QCommandLineParser& parser, TCliArguments& arguments) {
    if (parser.isSet(QStringLiteral("match")))
        arguments.Match = ParseMatch(parser.value(QStringLiteral("match")));
    arguments.Rematch = parser.isSet(QStringLiteral("rematch")) || arguments.Match.has_value();
}

void ReadCommandOptions(const QCommandLineParser& parser, TCliArguments& arguments) {
    arguments.Json = parser.isSet(QStringLiteral("json"));
    arguments.Quiet = parser.isSet(QStringLiteral("quiet"));
    switch (arguments.Command) {
    case TCliCommand::New:
        arguments.InputOne = Required(parser, QStringLiteral("one"));
        arguments.InputTwo = Required(parser, QStringLiteral("two"));
        arguments.NameOne = Optional(parser, QStringLiteral("name-one"));
        arguments.NameTwo = Optional(parser, QStringLiteral("name-two"));
        arguments.OutputOne = Optional(parser, QStringLiteral("out-one"));
        arguments.OutputTwo = Optional(parser, QStringLiteral("out-two"));
        return;
    case TCliCommand::Stats:
        ReadMatchOptions(parser, arguments);
        return;
    case TCliCommand::Sync:
    case TCliCommand::ToITunes:
        break;
    }
    ReadMatchOptions(parser, arguments);
    arguments.Force = parser.isSet(QStringLiteral("force"));
    for (const QString& action : parser.values(QStringLiteral("action")))
        arguments.Actions.append(ParseAction(action));
    if (arguments.Command == TCliCommand::Sync) {
        if (parser.isSet(QStringLiteral("export")))
            arguments.ExportSides = ParseExport(parser.value(QStringLiteral("export")));
        arguments.DryRun = parser.isSet(QStringLiteral("dry-run"));
        arguments.ReportFile = Optional(parser, QStringLiteral("report"));
        arguments.SaveProject = parser.isSet(QStringLiteral("save-project"));
        return;
    }
    arguments.Side = ParseSide(Required(parser, QStringLiteral("side")), QStringLiteral("--side"));
    arguments.ITunesLibrary = Required(parser, QStringLiteral("itunes-library"));
    arguments.NoBackup = parser.isSet(QStringLiteral("no-backup"));
    arguments.BackupFolder = Optional(parser, QStringLiteral("backup-folder"));
    if (arguments.NoBackup == !arguments.BackupFolder.isEmpty())
        throw TUsageError{QStringLiteral("Give either --backup-folder DIR or --no-backup.")};
    arguments.NoSync = parser.isSet(QStringLiteral("no-sync"));
    if (arguments.NoSync && (arguments.Force || !arguments.Actions.isEmpty()))
        throw TUsageError{QStringLiteral("--action and --force have no effect with --no-sync.")};
    arguments.StartProgram = Optional(parser, QStringLiteral("start"));
}

} // namespace

QString CliPartName(tLySongPart part) {
    static const std::array<QString, kLySongPartCount> names{
        QStringLiteral("name"),  QStringLiteral("artist"),    QStringLiteral("album"),
        QStringLiteral("genre"), QStringLiteral("playcount"), QStringLiteral("lastplayed"),
        QStringLiteral("rating")};
    return names.at(part);
}

QString CliActionName(tLySynchronizeAction action) {
    static const std::array<QString, saAddPlays + 1> names{
        QStringLiteral("ignore"), QStringLiteral("one"), QStringLiteral("two"),
        QStringLiteral("max"),    QStringLiteral("min"), QStringLiteral("add")};
    return names.at(action);
}

QString CliModeName(tLySongCompareMode mode) {
    static const std::array<QString, scmPersistentIdMatch + 1> names{
        QStringLiteral("exact"), QStringLiteral("alphanumeric"), QStringLiteral("phonetic"),
        QStringLiteral("persistent-id")};
    return names.at(mode);
}

QString CliSideName(int side) {
    return side == 0 ? QStringLiteral("one") : QStringLiteral("two");
}

QString CliVersionText() {
    return QStringLiteral("%1 %2%3\n")
        .arg(kProgram, QString::fromLatin1(kLyVersion),
             kLyPrerelease ? QStringLiteral(" (pre-release)") : QString());
}

TCliParseResult ParseCliArguments(const QStringList& arguments) {
    TCliParseResult result;
    const QString first = arguments.value(1);
    if (first.isEmpty() || first == QStringLiteral("--help") || first == QStringLiteral("-h") ||
        first == QStringLiteral("help")) {
        result.Kind = first.isEmpty() ? TCliParseResult::UsageError : TCliParseResult::Help;
        result.Text = first.isEmpty() ? QStringLiteral("No command given.\n\n") + GeneralHelp()
                                      : GeneralHelp();
        return result;
    }
    if (first == QStringLiteral("--version") || first == QStringLiteral("-v")) {
        result.Kind = TCliParseResult::Version;
        result.Text = CliVersionText();
        return result;
    }
    const TCommandInfo* command = nullptr;
    for (const TCommandInfo& info : kCommands)
        if (Text(info.Name) == first)
            command = &info;
    if (!command)
        return Failure(QStringLiteral("Unknown command '%1'. Commands: new, stats, sync, "
                                      "to-itunes; run '%2 --help' for help.")
                           .arg(first, kProgram));

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    for (const TOptionInfo& option : kOptions) {
        if (!(option.Commands & command->Mask))
            continue;
        parser.addOption(QCommandLineOption(Text(option.Name), Text(option.Description),
                                            Text(option.ValueName)));
    }
    parser.addPositionalArgument(QStringLiteral("PROJECT"), QStringLiteral("The project file."));

    QStringList rest = arguments.mid(2);
    rest.prepend(arguments.value(0, kProgram));
    const QString helpHint =
        QStringLiteral(" Run '%1 %2 --help' for help.").arg(kProgram, Text(command->Name));
    if (!parser.parse(rest))
        return Failure(parser.errorText() + helpHint);
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        result.Kind = TCliParseResult::Help;
        result.Text = CommandHelp(*command, parser);
        return result;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        result.Kind = TCliParseResult::Version;
        result.Text = CliVersionText();
        return result;
    }

    const QStringList positional = parser.positionalArguments();
    // An empty name would make the engine fall back to its default project file.
    if (positional.isEmpty() || positional.first().trimmed().isEmpty())
        return Failure(QStringLiteral("%1 needs a project file.").arg(first) + helpHint);
    if (positional.size() > 1)
        return Failure(QStringLiteral("Unexpected argument '%1'.").arg(positional.at(1)) +
                       helpHint);
    result.Arguments.Command = command->Command;
    result.Arguments.Project = positional.first();
    try {
        ReadCommandOptions(parser, result.Arguments);
    } catch (const TUsageError& error) {
        return Failure(error.Message + helpHint);
    }
    result.Kind = TCliParseResult::Run;
    return result;
}
