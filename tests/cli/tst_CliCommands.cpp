// The commands run in-process on small known libraries and on generated ones: printed figures,
// written libraries, the report, the project file, the iTunes replacement and exit statuses.
#include "Cli.h"
#include "CliFigures.h"
#include "CliProjectRunner.h"
#include "CliTestLibraries.h"
#include "LibraryGenerator.h"
#include "LyMatchResult.h"
#include "LySystem.h"
#include "LyTestHome.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

struct TCliRun {
    int Status = -1;
    QString Out;
    QString Err;
};

TCliRun Cli(const QStringList& arguments, const TCliEnvironment& environment = {}) {
    TCliRun run;
    QTextStream out(&run.Out);
    QTextStream err(&run.Err);
    run.Status = RunCli(QStringList{"lyrabridge-cli"} + arguments, out, err, environment);
    return run;
}

// The one JSON object a --json run prints, on one line.
QJsonObject JsonOf(const TCliRun& run) {
    const QString line = run.Out.trimmed();
    if (line.contains(u'\n'))
        return {};
    return QJsonDocument::fromJson(line.toUtf8()).object();
}

QJsonObject PerPart(int name, int artist, int album, int genre, int playCount, int lastPlayed,
                    int rating) {
    return {{"name", name},    {"artist", artist},       {"album", album},
            {"genre", genre},  {"playcount", playCount}, {"lastplayed", lastPlayed},
            {"rating", rating}};
}

const TLySongProperties* FindTrack(const QList<TLySongProperties>& tracks, const QString& name) {
    for (const TLySongProperties& track : tracks)
        if (track.Name() == name)
            return &track;
    return nullptr;
}

// One line per song with both sides' values, sorted: equal lists mean equal songs.
QStringList SongSignatures(const QString& project) {
    TCliProjectRunner runner(project, nullptr);
    runner.LoadAndMatch(false);
    QStringList signatures;
    for (const TLySong* song : runner.Project().MatchResult()->Songs()) {
        QStringList values;
        for (int side = 0; side < 2; ++side) {
            values << (song->Original(side).Exists() ? "+" : "-");
            for (int part = sdName; part <= sdRating; ++part)
                values << CliValueText(song->Current(side), tLySongPart(part));
            values << song->Current(side).Location();
        }
        signatures << values.join(u'|');
    }
    signatures.sort();
    return signatures;
}

const QStringList kIgnoreAll{"--action", "name=ignore",      "--action", "artist=ignore",
                             "--action", "album=ignore",     "--action", "genre=ignore",
                             "--action", "playcount=ignore", "--action", "lastplayed=ignore",
                             "--action", "rating=ignore"};

} // namespace

class TestCliCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void newWritesAProjectTheEngineReads();
    void newRefusesToReplaceAProject();
    void statsPrintsTheFigures();
    void rematchUsesTheProjectsCompareOptions();
    void syncWritesLibrariesAndReport();
    void syncIgnoringEverythingKeepsEveryValue();
    void dryRunWritesOnlyTheReport();
    void saveProjectStoresTheActionsUsed();
    void emptyOutputPathFailsBeforeAnythingIsWritten();
    void exitStatus_data();
    void exitStatus();
    void unreadableProjectIsLeftAlone();
    void progressOnlyOnATerminal_data();
    void progressOnlyOnATerminal();
    void toITunesReplacesTheLibrary();
    void toITunesRefusesWhileITunesRuns();

private:
    TLyTestHome FHome; // where the check of the preferences looks
    // Writes the known libraries and a project over them into the test's folder.
    QString NewKnownProject(const QStringList& extra = {});

    std::unique_ptr<TLyTempFolder> FShared;
    QString FGeneratedOne;
    QString FGeneratedTwo;
    std::unique_ptr<TLyTempFolder> FFolder;
    QString FOne;
    QString FTwo;
};

void TestCliCommands::initTestCase() {
    LySystemStartup();
    FShared = std::make_unique<TLyTempFolder>();
    const TLyLibraryGenerator generator(400);
    QString error;
    FGeneratedOne = FShared->FilePath("one.xml");
    FGeneratedTwo = FShared->FilePath("two.xml");
    QVERIFY2(generator.WriteFile(FGeneratedOne, TLyBenchLibrary::One, &error), qPrintable(error));
    QVERIFY2(generator.WriteFile(FGeneratedTwo, TLyBenchLibrary::Two, &error), qPrintable(error));
}

void TestCliCommands::cleanupTestCase() {
    // Whatever the commands did, they never wrote the preferences.
    TLyOptions preferences;
    QVERIFY2(!QFileInfo::exists(preferences.GetFileName()), qPrintable(preferences.GetFileName()));
    FFolder.reset();
    FShared.reset();
    LySystemShutdown();
}

void TestCliCommands::init() {
    FFolder = std::make_unique<TLyTempFolder>();
    FOne = FFolder->WriteFile("one.xml", KnownLibraryOne());
    FTwo = FFolder->WriteFile("two.xml", KnownLibraryTwo());
}

QString TestCliCommands::NewKnownProject(const QStringList& extra) {
    const QString project = FFolder->FilePath("known.xml");
    const TCliRun run = Cli(QStringList{"new", project, "--one", FOne, "--two", FTwo} + extra);
    if (run.Status != 0)
        qWarning("new failed: %s", qPrintable(run.Err));
    return project;
}

void TestCliCommands::newWritesAProjectTheEngineReads() {
    const QString project = FFolder->FilePath("sub/p.xml");
    const TCliRun run =
        Cli({"new", project, "--one", FOne, "--two", FTwo, "--name-one", "Home", "--name-two",
             "Laptop", "--out-two", FFolder->FilePath("two-out.xml"), "--json"});
    QVERIFY2(run.Status == 0, qPrintable(run.Err));
    QCOMPARE(run.Err, QString());
    const QJsonObject json = JsonOf(run);
    QCOMPARE(json["project"].toString(), project);
    QCOMPARE(json["two"].toObject()["name"].toString(), QStringLiteral("Laptop"));

    TLyProjectOptions options;
    options.SetName(project);
    options.Load();
    QCOMPARE(options.LibraryOne()->Name(), QStringLiteral("Home"));
    QCOMPARE(options.LibraryOne()->InputPath(), FOne);
    QCOMPARE(options.LibraryOne()->OutputPath(), QString());
    QCOMPARE(options.LibraryTwo()->Name(), QStringLiteral("Laptop"));
    QCOMPARE(options.LibraryTwo()->InputPath(), FTwo);
    QCOMPARE(options.LibraryTwo()->OutputPath(), FFolder->FilePath("two-out.xml"));
    QCOMPARE(options.Action(sdRating), saUseMax); // a fresh project's actions
    QCOMPARE(options.Action(sdGenre), saIgnore);
}

void TestCliCommands::newRefusesToReplaceAProject() {
    const QString project = NewKnownProject();
    const QByteArray before = ReadWholeFile(project);
    const TCliRun run = Cli({"new", project, "--one", FTwo, "--two", FOne});
    QCOMPARE(run.Status, 1);
    QVERIFY2(run.Err.contains("[" + project + "] already exists"), qPrintable(run.Err));
    QCOMPARE(ReadWholeFile(project), before);
}

void TestCliCommands::statsPrintsTheFigures() {
    const QString project = NewKnownProject({"--name-one", "Home", "--name-two", "Laptop"});
    const TCliRun json = Cli({"stats", project, "--json"});
    QCOMPARE(json.Status, 0);
    const QJsonObject figures = JsonOf(json);
    QCOMPARE(figures["songs"].toInt(), 5);
    QCOMPARE(figures["matched"].toInt(), 2);
    QCOMPARE(figures["only_one"].toInt(), 1);
    QCOMPARE(figures["only_two"].toInt(), 2);
    QCOMPARE(figures["different"].toObject(), PerPart(0, 0, 0, 0, 2, 1, 1));

    const TCliRun text = Cli({"stats", project});
    QCOMPARE(text.Status, 0);
    const QStringList lines = text.Out.split(u'\n');
    const auto figure = [&](const QString& label) {
        for (const QString& line : lines)
            if (line.startsWith(label + "  "))
                return line.mid(label.size()).trimmed();
        return QString();
    };
    QCOMPARE(figure("Songs"), QStringLiteral("5"));
    QCOMPARE(figure("Only in Home"), QStringLiteral("1"));
    QCOMPARE(figure("Only in Laptop"), QStringLiteral("2"));
    QCOMPARE(figure("  playcount"), QStringLiteral("2"));

    QCOMPARE(Cli({"stats", project, "--quiet"}).Out, QString());
}

void TestCliCommands::rematchUsesTheProjectsCompareOptions() {
    // The generated libraries spell some shared songs differently: only the looser matching of
    // the project's compare options pairs those.
    const QString project = FFolder->FilePath("generated.xml");
    QCOMPARE(Cli({"new", project, "--one", FGeneratedOne, "--two", FGeneratedTwo}).Status, 0);
    const QJsonObject exact = JsonOf(Cli({"stats", project, "--json"}));
    const QJsonObject rematched = JsonOf(Cli({"stats", project, "--rematch", "--json"}));
    QVERIFY(exact["matched"].toInt() > 0);
    QVERIFY2(
        rematched["matched"].toInt() > exact["matched"].toInt(),
        qPrintable(
            QString("%1 <= %2").arg(rematched["matched"].toInt()).arg(exact["matched"].toInt())));
    // The generated libraries give their tracks Persistent IDs of their own: none pair by them.
    const QJsonObject byId = JsonOf(Cli({"stats", project, "--match", "Persistent-ID", "--json"}));
    QCOMPARE(byId["matched"].toInt(), 0);
    for (const QJsonObject& figures : {exact, rematched, byId})
        QCOMPARE(figures["matched"].toInt() + figures["only_one"].toInt() +
                     figures["only_two"].toInt(),
                 figures["songs"].toInt());
}

void TestCliCommands::syncWritesLibrariesAndReport() {
    const QString outOne = FFolder->FilePath("one-out.xml");
    const QString outTwo = FFolder->FilePath("two-out.xml");
    const QString project = NewKnownProject({"--out-one", outOne, "--out-two", outTwo});
    const QString report = FFolder->FilePath("report.csv");
    // The project keeps the larger play count and last-played date; the rating the smaller.
    const TCliRun run =
        Cli({"sync", project, "--action", "rating=min", "--report", report, "--json"});
    QVERIFY2(run.Status == 0, qPrintable(run.Err));
    QCOMPARE(run.Err, QString());
    const QJsonObject json = JsonOf(run);
    QCOMPARE(json["matched"].toInt(), 2);
    QCOMPARE(json["changed"].toObject()["one"].toObject(), PerPart(0, 0, 0, 0, 2, 1, 0));
    QCOMPARE(json["changed"].toObject()["two"].toObject(), PerPart(0, 0, 0, 0, 0, 0, 1));
    QCOMPARE(json["written"].toArray(), QJsonArray({outOne, outTwo}));
    QCOMPARE(json["report"].toString(), report);
    QCOMPARE(json["project_saved"].toBool(), false);

    const QList<TLySongProperties> one = ReadTracks(outOne);
    const QList<TLySongProperties> two = ReadTracks(outTwo);
    QCOMPARE(one.size(), 3);
    QCOMPARE(two.size(), 4);
    const TLySongProperties* waterlooOne = FindTrack(one, "Waterloo");
    const TLySongProperties* waterlooTwo = FindTrack(two, "Waterloo");
    QVERIFY(waterlooOne && waterlooTwo);
    QCOMPARE(waterlooOne->PlayCount(), 5);
    QCOMPARE(waterlooOne->Rating(), 60);
    QVERIFY(waterlooOne->Equals(*waterlooTwo));
    QCOMPARE(FindTrack(one, kQuotedName)->PlayCount(), 7);
    QCOMPARE(FindTrack(one, "Only in One")->PlayCount(), 1);
    QCOMPARE(FindTrack(two, "Only in Two B")->Rating(), 40);

    const QStringList lines = QString::fromUtf8(ReadWholeFile(report)).split("\r\n");
    QCOMPARE(lines.size(), 1 + 4 + 3 + 1); // header, changes, songs in one library, ""
    QCOMPARE(lines.first(), QStringLiteral("side,name,artist,album,part,old,new"));
    // Changes, then songs in one library only; each group by side, track and part.
    QCOMPARE(lines.mid(1, 7),
             QStringList({"one,\"Shared, \"\"quoted\"\"\",Yvonne,Yonder,playcount,0,7",
                          "one,Waterloo,ABBA,Waterloo,playcount,3,5",
                          "one,Waterloo,ABBA,Waterloo,lastplayed,2006-01-01T00:00:00Z,"
                          "2007-05-05T00:00:00Z",
                          "two,Waterloo,ABBA,Waterloo,rating,80,60",
                          "one,Only in One,Xavier,Xylophones,,,", "two,Only in Two A,Zoe,Zebra,,,",
                          "two,Only in Two B,Zoe,Zebra,,,"}));
    QCOMPARE(lines.last(), QString());

    // Both written libraries now agree on every matched song.
    const QString written = FFolder->FilePath("written.xml");
    QCOMPARE(Cli({"new", written, "--one", outOne, "--two", outTwo}).Status, 0);
    const QJsonObject after = JsonOf(Cli({"stats", written, "--json"}));
    QCOMPARE(after["matched"].toInt(), 2);
    QCOMPARE(after["different"].toObject(), PerPart(0, 0, 0, 0, 0, 0, 0));
}

void TestCliCommands::syncIgnoringEverythingKeepsEveryValue() {
    const QString outOne = FFolder->FilePath("one-out.xml");
    const QString outTwo = FFolder->FilePath("two-out.xml");
    const QString project = FFolder->FilePath("generated.xml");
    QCOMPARE(Cli({"new", project, "--one", FGeneratedOne, "--two", FGeneratedTwo, "--out-one",
                  outOne, "--out-two", outTwo})
                 .Status,
             0);
    const TCliRun run = Cli(QStringList{"sync", project, "--json"} + kIgnoreAll);
    QVERIFY2(run.Status == 0, qPrintable(run.Err));
    QCOMPARE(JsonOf(run)["changed"].toObject(),
             QJsonObject(
                 {{"one", PerPart(0, 0, 0, 0, 0, 0, 0)}, {"two", PerPart(0, 0, 0, 0, 0, 0, 0)}}));

    for (const auto& [input, output] :
         {std::pair{FGeneratedOne, outOne}, {FGeneratedTwo, outTwo}}) {
        const QList<TLySongProperties> before = ReadTracks(input);
        const QList<TLySongProperties> after = ReadTracks(output);
        QCOMPARE(after.size(), before.size());
        QCOMPARE(before.size(), 400);
        for (qsizetype i = 0; i < before.size(); ++i) {
            const TLySongProperties& a = before.at(i);
            const TLySongProperties& b = after.at(i);
            QVERIFY2(a.Equals(b) && a.Location() == b.Location() && a.TrackKind() == b.TrackKind(),
                     qPrintable(QString("track %1 of %2: %3 became %4")
                                    .arg(i)
                                    .arg(output, a.Name(), b.Name())));
        }
    }

    const QString reloaded = FFolder->FilePath("reloaded.xml");
    QCOMPARE(Cli({"new", reloaded, "--one", outOne, "--two", outTwo}).Status, 0);
    QCOMPARE(SongSignatures(reloaded), SongSignatures(project));
}

void TestCliCommands::dryRunWritesOnlyTheReport() {
    const QString outOne = FFolder->FilePath("one-out.xml");
    const QString project =
        NewKnownProject({"--out-one", outOne, "--out-two", FFolder->FilePath("two-out.xml")});
    const QByteArray projectBytes = ReadWholeFile(project);
    const QString report = FFolder->FilePath("report.csv");
    const TCliRun run = Cli({"sync", project, "--dry-run", "--save-project", "--action",
                             "genre=one", "--report", report, "--json"});
    QVERIFY2(run.Status == 0, qPrintable(run.Err));
    QCOMPARE(JsonOf(run)["written"].toArray(), QJsonArray());
    QCOMPARE(JsonOf(run)["changed"].toObject()["one"].toObject()["playcount"].toInt(), 2);
    QVERIFY(QFileInfo::exists(report));
    QVERIFY(!QFileInfo::exists(outOne));
    QVERIFY(!QFileInfo::exists(FFolder->FilePath("two-out.xml")));
    QCOMPARE(ReadWholeFile(project), projectBytes);
}

void TestCliCommands::saveProjectStoresTheActionsUsed() {
    const QString project = NewKnownProject({"--out-two", FFolder->FilePath("two-out.xml")});
    const QByteArray before = ReadWholeFile(project);
    QCOMPARE(Cli({"sync", project, "--export", "none", "--action", "genre=one"}).Status, 0);
    QCOMPARE(ReadWholeFile(project), before); // without --save-project nothing is stored
    QVERIFY(!QFileInfo::exists(FFolder->FilePath("two-out.xml")));

    QCOMPARE(Cli({"sync", project, "--export", "two", "--action", "genre=one", "--action",
                  "rating=min", "--force", "--save-project"})
                 .Status,
             0);
    TLyProjectOptions options;
    options.SetName(project);
    options.Load();
    QCOMPARE(options.Action(sdGenre), saUseOne);
    QCOMPARE(options.Action(sdRating), saUseMin);
    QCOMPARE(options.Action(sdPlayCount), saUseMax);
    QVERIFY(options.ForceSynchronize());
    QCOMPARE(options.LibraryOne()->InputPath(), FOne);
}

void TestCliCommands::emptyOutputPathFailsBeforeAnythingIsWritten() {
    const QString outTwo = FFolder->FilePath("two-out.xml");
    const QString project = NewKnownProject({"--out-two", outTwo});
    const QString report = FFolder->FilePath("report.csv");
    const TCliRun run = Cli({"sync", project, "--report", report});
    QCOMPARE(run.Status, 1);
    QVERIFY2(run.Err.contains("Library [One] of project [" + project + "] has no output file") &&
                 run.Err.contains("--out-one FILE") && run.Err.contains("--export two"),
             qPrintable(run.Err));
    QCOMPARE(run.Out, QString()); // nothing loaded, nothing printed
    QVERIFY(!QFileInfo::exists(outTwo));
    QVERIFY(!QFileInfo::exists(report));
}

void TestCliCommands::exitStatus_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");

    // @ is the test's folder; known.xml the project over the known libraries.
    QTest::newRow("stats") << QStringList{"stats", "@/known.xml"} << 0 << QString();
    QTest::newRow("help of a command") << QStringList{"sync", "--help"} << 0 << QString();
    QTest::newRow("version") << QStringList{"--version"} << 0 << QString();
    QTest::newRow("missing project")
        << QStringList{"stats", "@/none.xml"} << 1 << "Project file [@/none.xml] does not exist";
    QTest::newRow("library file as project")
        << QStringList{"stats", "@/one.xml"} << 1 << "[@/one.xml] is not a project file";
    QTest::newRow("missing library") << QStringList{"stats", "@/missing-input.xml"} << 1
                                     << "input file [@/gone.xml] does not exist";
    QTest::newRow("library that is no library")
        << QStringList{"stats", "@/bad-input.xml"} << 1 << "@/bad.xml";
    QTest::newRow("no command") << QStringList{} << 2 << "No command given";
    QTest::newRow("unknown command")
        << QStringList{"merge", "@/known.xml"} << 2 << "Unknown command 'merge'";
    QTest::newRow("no project") << QStringList{"stats"} << 2 << "stats needs a project file";
    QTest::newRow("empty project name")
        << QStringList{"new", "", "--one", "@/one.xml", "--two", "@/two.xml"} << 2
        << "new needs a project file";
    QTest::newRow("two projects") << QStringList{"stats", "@/known.xml", "@/other.xml"} << 2
                                  << "Unexpected argument '@/other.xml'";
    QTest::newRow("option of another command")
        << QStringList{"stats", "@/known.xml", "--dry-run"} << 2 << "Unknown option 'dry-run'";
    QTest::newRow("action without action")
        << QStringList{"sync", "@/known.xml", "--action", "rating"} << 2 << "PART=ACTION";
    QTest::newRow("unknown part") << QStringList{"sync", "@/known.xml", "--action", "year=max"} << 2
                                  << "Unknown song part 'year'";
    QTest::newRow("unknown action") << QStringList{"sync", "@/known.xml", "--action", "rating=most"}
                                    << 2 << "Unknown action 'most'";
    QTest::newRow("adding plays") << QStringList{"sync",          "@/known.xml", "--action",
                                                 "playcount=add", "--export",    "none"}
                                  << 0 << QString();
    QTest::newRow("adding ratings") << QStringList{"sync", "@/known.xml", "--action", "rating=add"}
                                    << 2 << "only playcount can add plays";
    QTest::newRow("unknown compare mode")
        << QStringList{"stats", "@/known.xml", "--match", "sound"} << 2 << "Unknown compare mode";
    QTest::newRow("unknown export")
        << QStringList{"sync", "@/known.xml", "--export", "three"} << 2 << "got 'three'";
    QTest::newRow("new without two")
        << QStringList{"new", "@/p.xml", "--one", "@/one.xml"} << 2 << "--two is required";
    QTest::newRow("to-itunes without backup choice")
        << QStringList{"to-itunes", "@/known.xml", "--side", "two", "--itunes-library", "@/i.xml"}
        << 2 << "--backup-folder DIR or --no-backup";
    QTest::newRow("to-itunes: actions without synchronising")
        << QStringList{"to-itunes", "@/known.xml", "--side",    "one",      "--itunes-library",
                       "@/i.xml",   "--no-backup", "--no-sync", "--action", "rating=max"}
        << 2 << "--action and --force have no effect with --no-sync";
    QTest::newRow("to-itunes without side")
        << QStringList{"to-itunes", "@/known.xml", "--no-backup", "--itunes-library", "@/i.xml"}
        << 2 << "--side is required";
}

void TestCliCommands::exitStatus() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, message);
    NewKnownProject();
    const QString gone = FFolder->WriteFile("gone.xml", KnownLibraryOne());
    QCOMPARE(
        Cli({"new", FFolder->FilePath("missing-input.xml"), "--one", gone, "--two", FTwo}).Status,
        0);
    QVERIFY(QFile::remove(gone));
    const QString bad = FFolder->WriteFile("bad.xml", "<plist><dict><key>Tracks</key>");
    QCOMPARE(Cli({"new", FFolder->FilePath("bad-input.xml"), "--one", FOne, "--two", bad}).Status,
             0);

    for (QString& argument : arguments)
        argument.replace("@", FFolder->Path());
    message.replace("@", FFolder->Path());
    const TCliRun run = Cli(arguments);
    QVERIFY2(run.Status == status, qPrintable(run.Err));
    if (status == 0) {
        QCOMPARE(run.Err, QString());
        QVERIFY(!run.Out.isEmpty());
    } else {
        QVERIFY2(run.Err.startsWith("lyrabridge-cli: ") && run.Err.contains(message),
                 qPrintable(run.Err));
    }
}

void TestCliCommands::unreadableProjectIsLeftAlone() {
    // The settings framework would set an unreadable file aside; a command must not.
    const QByteArray broken = "<Settings><Options><class>TLyProjectOptions</class>";
    const QString project = FFolder->WriteFile("broken.xml", broken);
    const TCliRun run = Cli({"sync", project});
    QCOMPARE(run.Status, 1);
    QVERIFY2(run.Err.contains("Project file [" + project + "] is not well-formed XML"),
             qPrintable(run.Err));
    QCOMPARE(ReadWholeFile(project), broken);
    QCOMPARE(QDir(FFolder->Path()).entryList({"broken.xml*"}), QStringList{"broken.xml"});
}

void TestCliCommands::progressOnlyOnATerminal_data() {
    QTest::addColumn<bool>("terminal");
    QTest::addColumn<bool>("quiet");
    QTest::addColumn<bool>("progress");
    QTest::newRow("terminal") << true << false << true;
    QTest::newRow("not a terminal") << false << false << false;
    QTest::newRow("terminal, quiet") << true << true << false;
}

void TestCliCommands::progressOnlyOnATerminal() {
    QFETCH(bool, terminal);
    QFETCH(bool, quiet);
    QFETCH(bool, progress);
    const QString project = NewKnownProject();
    TCliEnvironment environment;
    environment.ErrIsTerminal = terminal;
    const TCliRun run =
        Cli(quiet ? QStringList{"stats", project, "--quiet"} : QStringList{"stats", project},
            environment);
    QVERIFY2(run.Status == 0, qPrintable(run.Err));
    if (!progress) {
        QCOMPARE(run.Err, QString());
        return;
    }
    QVERIFY2(run.Err.contains("Loading Libraries...") && run.Err.contains("Loading One..."),
             qPrintable(run.Err));
    QVERIFY(run.Err.contains("100%"));
    QVERIFY(!run.Err.contains(u'\n'));
    QVERIFY2(run.Err.endsWith("\r\x1b[K"), "the bar is not cleared at the end");
}

void TestCliCommands::toITunesReplacesTheLibrary() {
    const QString project = NewKnownProject();
    const QString library = FFolder->WriteFile("itunes/iTunes Music Library.xml", "old library");
    const QString database = FFolder->WriteFile("itunes/iTunes Library.itl", "old database");
    const QString backups = FFolder->FilePath("backups");
    const TLyTempFolder noPrograms; // an empty proc file system: iTunes does not run
    TCliEnvironment environment;
    environment.ProcRoot = noPrograms.Path();
    const TCliRun run =
        Cli({"to-itunes", project, "--side", "two", "--itunes-library", library, "--backup-folder",
             backups, "--action", "rating=min", "--start", "/bin/true", "--json"},
            environment);
    QVERIFY2(run.Status == 0, qPrintable(run.Err));
    QCOMPARE(run.Err, QString());
    const QJsonObject json = JsonOf(run);
    QCOMPARE(json["written"].toArray(), QJsonArray({library}));
    QCOMPARE(json["changed"].toObject()["two"].toObject()["rating"].toInt(), 1);
    QVERIFY(json["started"].toBool());

    const QString backup = json["backup"].toString();
    QCOMPARE(QFileInfo(backup).path(), backups);
    QCOMPARE(ReadWholeFile(backup + "/iTunes Music Library.xml"), QByteArray("old library"));
    QCOMPARE(ReadWholeFile(backup + "/iTunes Library.itl"), QByteArray("old database"));
    QCOMPARE(QFileInfo(database).size(), 0);
    const QList<TLySongProperties> tracks = ReadTracks(library);
    QCOMPARE(tracks.size(), 4); // library Two
    QCOMPARE(FindTrack(tracks, "Waterloo")->Rating(), 60);
    QCOMPARE(FindTrack(tracks, "Waterloo")->PlayCount(), 5);
}

void TestCliCommands::toITunesRefusesWhileITunesRuns() {
    const QString project = NewKnownProject();
    const QString library = FFolder->WriteFile("itunes/iTunes Music Library.xml", "old library");
    const QString database = FFolder->WriteFile("itunes/iTunes Library.itl", "old database");
    const TLyTempFolder proc;
    proc.WriteFile("42/cmdline", QByteArray("C:\\Program Files\\iTunes\\iTunes.exe") + '\0');
    TCliEnvironment environment;
    environment.ProcRoot = proc.Path();
    const TCliRun run =
        Cli({"to-itunes", project, "--side", "one", "--itunes-library", library, "--no-backup"},
            environment);
    QCOMPARE(run.Status, 1);
    QVERIFY2(run.Err.contains("iTunes is running"), qPrintable(run.Err));
    QCOMPARE(ReadWholeFile(library), QByteArray("old library"));
    QCOMPARE(ReadWholeFile(database), QByteArray("old database"));
}

QTEST_GUILESS_MAIN(TestCliCommands)
#include "tst_CliCommands.moc"
