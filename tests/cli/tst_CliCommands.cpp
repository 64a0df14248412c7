// The commands run in-process on small known libraries and on generated ones: printed figures,
// written libraries, the report, the project file, the iTunes replacement and exit statuses.
#include "Cli.h"
#include "LibraryBuilders.h"
#include "LibraryGenerator.h"
#include "LyLibraryFile.h"
#include "LySystem.h"
#include "LyTestHome.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

// Library One: "Waterloo" (played 3 times, rated 60, last played 2006-01-01), a song only in
// One, and a song whose name holds a comma and quotes (never played, rated 100). Library Two:
// "Waterloo" (played 5 times, rated 80, last played 2007-05-05), the quoted song (played 7
// times, otherwise as in One) and two songs only in Two.
const QString kQuotedName = QStringLiteral("Shared, \"quoted\"");

TLyLibraryTrack Track(const QString& name, const QString& artist, const QString& album,
                      int playCount, int rating, const QString& playDate) {
    TLyLibraryTrack track{{"Track ID", "integer", "1"},
                          {"Name", "string", name},
                          {"Artist", "string", artist},
                          {"Album", "string", album},
                          {"Genre", "string", "Pop"},
                          {"Play Count", "integer", QString::number(playCount)},
                          {"Rating", "integer", QString::number(rating)}};
    if (!playDate.isEmpty())
        track.append({"Play Date UTC", "date", playDate});
    track.append({"Track Type", "string", "File"});
    return track;
}

QByteArray KnownLibraryOne() {
    return MakeLibraryXml({Track("Waterloo", "ABBA", "Waterloo", 3, 60, "2006-01-01T00:00:00Z"),
                           Track("Only in One", "Xavier", "Xylophones", 1, 0, {}),
                           Track(kQuotedName, "Yvonne", "Yonder", 0, 100, {})});
}

QByteArray KnownLibraryTwo() {
    return MakeLibraryXml({Track("Waterloo", "ABBA", "Waterloo", 5, 80, "2007-05-05T00:00:00Z"),
                           Track(kQuotedName, "Yvonne", "Yonder", 7, 100, {}),
                           Track("Only in Two A", "Zoe", "Zebra", 2, 20, {}),
                           Track("Only in Two B", "Zoe", "Zebra", 4, 40, {})});
}

// Every track of the library file, in file order, read by the engine's own reader. Fails the
// current test (and returns an empty list) when the file cannot be loaded.
QList<TLySongProperties> ReadTracks(const QString& fileName) {
    try {
        const std::unique_ptr<TLyLibraryDocument> document =
            LoadLibraryDocument(fileName, nullptr, nullptr);
        TLyLibraryOptions library;
        ReadLibrary(*document, library, TLyCompareOptions(), nullptr, nullptr);
        QList<TLySongProperties> tracks(document->ReadTracks().begin(),
                                        document->ReadTracks().end());
        for (TLySongProperties& track : tracks)
            track.SetNode(nullptr); // the document goes with this function
        return tracks;
    } catch (const Exception& error) {
        QTest::qFail(qPrintable(error.Message()), __FILE__, __LINE__);
        return {};
    }
}

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

// Every file below `folder` (by relative path) and its bytes.
QMap<QString, QByteArray> FolderContents(const QString& folder) {
    QMap<QString, QByteArray> contents;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        contents.insert(QDir(folder).relativeFilePath(path), ReadWholeFile(path));
    }
    return contents;
}

const QStringList kIgnoreAll =
    QString("--action name=ignore --action artist=ignore --action album=ignore --action "
            "genre=ignore --action playcount=ignore --action lastplayed=ignore --action "
            "rating=ignore")
        .split(u' ');

} // namespace

class TestCliCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        LySystemStartup();
        FShared = std::make_unique<TLyTempFolder>();
        const TLyLibraryGenerator generator(400);
        QString error;
        FGeneratedOne = FShared->FilePath("one.xml");
        FGeneratedTwo = FShared->FilePath("two.xml");
        QVERIFY2(generator.WriteFile(FGeneratedOne, TLyBenchLibrary::One, &error),
                 qPrintable(error));
        QVERIFY2(generator.WriteFile(FGeneratedTwo, TLyBenchLibrary::Two, &error),
                 qPrintable(error));
    }

    void cleanupTestCase() {
        // Whatever the commands did, they never wrote the preferences.
        TLyOptions preferences;
        QVERIFY2(!QFileInfo::exists(preferences.GetFileName()),
                 qPrintable(preferences.GetFileName()));
        FFolder.reset();
        FShared.reset();
        LySystemShutdown();
    }

    void init() {
        FFolder = std::make_unique<TLyTempFolder>();
        FOne = FFolder->WriteFile("one.xml", KnownLibraryOne());
        FTwo = FFolder->WriteFile("two.xml", KnownLibraryTwo());
    }

    void newWritesAProjectTheEngineReads() {
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
    }

    void statsPrintsTheFigures() {
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

    void rematchUsesTheProjectsCompareOptions() {
        // The generated libraries spell some shared songs differently: only the looser matching of
        // the project's compare options pairs those.
        const QString project = FFolder->FilePath("generated.xml");
        QCOMPARE(Cli({"new", project, "--one", FGeneratedOne, "--two", FGeneratedTwo}).Status, 0);
        const QJsonObject exact = JsonOf(Cli({"stats", project, "--json"}));
        const QJsonObject rematched = JsonOf(Cli({"stats", project, "--rematch", "--json"}));
        QVERIFY(exact["matched"].toInt() > 0);
        QVERIFY2(rematched["matched"].toInt() > exact["matched"].toInt(),
                 qPrintable(QString("%1 <= %2")
                                .arg(rematched["matched"].toInt())
                                .arg(exact["matched"].toInt())));
        // The generated libraries give their tracks Persistent IDs of their own: none pair by them.
        const QJsonObject byId =
            JsonOf(Cli({"stats", project, "--match", "Persistent-ID", "--json"}));
        QCOMPARE(byId["matched"].toInt(), 0);
        for (const QJsonObject& figures : {exact, rematched, byId})
            QCOMPARE(figures["matched"].toInt() + figures["only_one"].toInt() +
                         figures["only_two"].toInt(),
                     figures["songs"].toInt());
    }

    void syncWritesLibrariesAndReport() {
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
                              "one,Only in One,Xavier,Xylophones,,,",
                              "two,Only in Two A,Zoe,Zebra,,,", "two,Only in Two B,Zoe,Zebra,,,"}));
        QCOMPARE(lines.last(), QString());

        // Both written libraries now agree on every matched song.
        const QString written = FFolder->FilePath("written.xml");
        QCOMPARE(Cli({"new", written, "--one", outOne, "--two", outTwo}).Status, 0);
        const QJsonObject after = JsonOf(Cli({"stats", written, "--json"}));
        QCOMPARE(after["matched"].toInt(), 2);
        QCOMPARE(after["different"].toObject(), PerPart(0, 0, 0, 0, 0, 0, 0));
    }

    void syncIgnoringEverythingKeepsEveryValue() {
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
                 QJsonObject({{"one", PerPart(0, 0, 0, 0, 0, 0, 0)},
                              {"two", PerPart(0, 0, 0, 0, 0, 0, 0)}}));

        for (const auto& [input, output] :
             {std::pair{FGeneratedOne, outOne}, {FGeneratedTwo, outTwo}}) {
            const QList<TLySongProperties> before = ReadTracks(input);
            const QList<TLySongProperties> after = ReadTracks(output);
            QCOMPARE(after.size(), before.size());
            QCOMPARE(before.size(), 400);
            for (qsizetype i = 0; i < before.size(); ++i) {
                const TLySongProperties& a = before.at(i);
                const TLySongProperties& b = after.at(i);
                QVERIFY2(a.Equals(b) && a.Location() == b.Location() &&
                             a.TrackKind() == b.TrackKind(),
                         qPrintable(QString("track %1 of %2: %3 became %4")
                                        .arg(i)
                                        .arg(output, a.Name(), b.Name())));
            }
        }
    }

    void projectStoredOnlyWhenAsked() {
        const QString project = NewKnownProject({"--out-one", FFolder->FilePath("one-out.xml"),
                                                 "--out-two", FFolder->FilePath("two-out.xml")});
        const QMap<QString, QByteArray> files = FolderContents(FFolder->Path());
        const QString report = FFolder->FilePath("report.csv");
        // A dry run writes only the report, even when asked to store the project.
        const TCliRun run = Cli({"sync", project, "--dry-run", "--save-project", "--action",
                                 "genre=one", "--report", report, "--json"});
        QVERIFY2(run.Status == 0, qPrintable(run.Err));
        QCOMPARE(JsonOf(run)["written"].toArray(), QJsonArray());
        QCOMPARE(JsonOf(run)["changed"].toObject()["one"].toObject()["playcount"].toInt(), 2);
        QVERIFY(QFile::remove(report));
        QCOMPARE(FolderContents(FFolder->Path()), files);
        QCOMPARE(Cli({"sync", project, "--export", "none", "--action", "genre=one"}).Status, 0);
        QCOMPARE(FolderContents(FFolder->Path()), files);

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

    void exitStatus_data() {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        // The arguments are split at spaces ("new  --one" names an empty project), the message
        // at '|' into parts; @ is the test's folder. Projects: known.xml over the known
        // libraries, missing-input.xml whose library Two is gone, bad-input.xml whose library
        // Two is no library, no-out.xml without an output file for One, broken.xml damaged.
        // itunes/ holds the files of an iTunes that runs.
        const QList<std::tuple<const char*, const char*, int, const char*>> rows = {
            {"stats", "stats @/known.xml", 0, ""},
            {"help of a command", "sync --help", 0, ""},
            {"version", "--version", 0, ""},
            {"adding plays", "sync @/known.xml --action playcount=add --export none", 0, ""},
            {"missing project", "stats @/none.xml", 1, "Project file [@/none.xml] does not exist"},
            {"library file as project", "stats @/one.xml", 1, "[@/one.xml] is not a project file"},
            {"missing library", "stats @/missing-input.xml", 1,
             "input file [@/gone.xml] does not exist"},
            {"library that is no library", "stats @/bad-input.xml", 1, "@/bad.xml"},
            {"new over a project", "new @/known.xml --one @/two.xml --two @/one.xml", 1,
             "[@/known.xml] already exists"},
            // The settings framework would set an unreadable file aside; a command must not.
            {"damaged project", "sync @/broken.xml", 1,
             "Project file [@/broken.xml] is not well-formed XML"},
            // Found before anything is loaded or written.
            {"no output file", "sync @/no-out.xml --report @/report.csv", 1,
             "Library [One] of project [@/no-out.xml] has no output file|--out-one FILE'; or "
             "leave the library out with --export two."},
            {"iTunes runs",
             "to-itunes @/known.xml --side one --itunes-library @/itunes/lib.xml "
             "--no-backup",
             1, "iTunes is running"},
            {"no command", "", 2, "No command given"},
            {"unknown command", "merge @/known.xml", 2, "Unknown command 'merge'"},
            {"no project", "stats", 2, "stats needs a project file"},
            {"empty project name", "new  --one @/one.xml --two @/two.xml", 2,
             "new needs a project file"},
            {"two projects", "stats @/known.xml @/other.xml", 2,
             "Unexpected argument '@/other.xml'"},
            {"option of another command", "stats @/known.xml --dry-run", 2,
             "Unknown option 'dry-run'"},
            {"action without action", "sync @/known.xml --action rating", 2, "PART=ACTION"},
            {"unknown part", "sync @/known.xml --action year=max", 2, "Unknown song part 'year'"},
            {"unknown action", "sync @/known.xml --action rating=most", 2, "Unknown action 'most'"},
            {"adding ratings", "sync @/known.xml --action rating=add", 2,
             "only playcount can add plays"},
            {"unknown compare mode", "stats @/known.xml --match sound", 2, "Unknown compare mode"},
            {"unknown export", "sync @/known.xml --export three", 2, "got 'three'"},
            {"new without two", "new @/p.xml --one @/one.xml", 2, "--two is required"},
            {"to-itunes without backup choice",
             "to-itunes @/known.xml --side two --itunes-library @/i.xml", 2,
             "--backup-folder DIR or --no-backup"},
            {"to-itunes: actions without synchronising",
             "to-itunes @/known.xml --side one --itunes-library @/i.xml --no-backup --no-sync "
             "--action rating=max",
             2, "--action and --force have no effect with --no-sync"},
            {"to-itunes without side", "to-itunes @/known.xml --no-backup --itunes-library @/i.xml",
             2, "--side is required"},
        };
        for (const auto& [name, arguments, status, message] : rows)
            QTest::newRow(name) << QString(arguments) << status << QString(message);
    }

    void exitStatus() {
        QFETCH(QString, arguments);
        QFETCH(int, status);
        QFETCH(QString, message);
        NewKnownProject();
        const QString gone = FFolder->WriteFile("gone.xml", KnownLibraryOne());
        QCOMPARE(Cli({"new", FFolder->FilePath("missing-input.xml"), "--one", gone, "--two", FTwo})
                     .Status,
                 0);
        QVERIFY(QFile::remove(gone));
        const QString bad = FFolder->WriteFile("bad.xml", "<plist><dict><key>Tracks</key>");
        QCOMPARE(
            Cli({"new", FFolder->FilePath("bad-input.xml"), "--one", FOne, "--two", bad}).Status,
            0);
        QCOMPARE(Cli({"new", FFolder->FilePath("no-out.xml"), "--one", FOne, "--two", FTwo,
                      "--out-two", FFolder->FilePath("two-out.xml")})
                     .Status,
                 0);
        FFolder->WriteFile("broken.xml", "<Settings><Options><class>TLyProjectOptions</class>");
        FFolder->WriteFile("itunes/lib.xml", "old library");
        FFolder->WriteFile("itunes/iTunes Library.itl", "old database");
        FFolder->WriteFile("proc/42/cmdline",
                           QByteArray("C:\\Program Files\\iTunes\\iTunes.exe") + '\0');
        const QMap<QString, QByteArray> before = FolderContents(FFolder->Path());
        TCliEnvironment environment;
        environment.ProcRoot = FFolder->FilePath("proc");

        message.replace("@", FFolder->Path());
        const TCliRun run =
            Cli(arguments.isEmpty() ? QStringList()
                                    : arguments.replace("@", FFolder->Path()).split(u' '),
                environment);
        QVERIFY2(run.Status == status, qPrintable(run.Err));
        if (status == 0) {
            QCOMPARE(run.Err, QString());
            QVERIFY(!run.Out.isEmpty());
            return;
        }
        QVERIFY2(run.Err.startsWith("lyrabridge-cli: "), qPrintable(run.Err));
        for (const QString& part : message.split(u'|')) // parts of the message, in any order
            QVERIFY2(run.Err.contains(part), qPrintable(run.Err));
        QCOMPARE(run.Out, QString());
        // Nothing written, replaced or set aside.
        QCOMPARE(FolderContents(FFolder->Path()), before);
    }

    void progressOnlyOnATerminal_data() {
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<bool>("quiet");
        QTest::addColumn<bool>("progress");
        QTest::newRow("terminal") << true << false << true;
        QTest::newRow("not a terminal") << false << false << false;
        QTest::newRow("terminal, quiet") << true << true << false;
    }

    void progressOnlyOnATerminal() {
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

    void toITunesReplacesTheLibrary() {
        const QString project = NewKnownProject();
        const QString library =
            FFolder->WriteFile("itunes/iTunes Music Library.xml", "old library");
        const QString database = FFolder->WriteFile("itunes/iTunes Library.itl", "old database");
        const QString backups = FFolder->FilePath("backups");
        const TLyTempFolder noPrograms; // an empty proc file system: iTunes does not run
        TCliEnvironment environment;
        environment.ProcRoot = noPrograms.Path();
        const TCliRun run = Cli({"to-itunes", project, "--side", "two", "--itunes-library", library,
                                 "--backup-folder", backups, "--action", "rating=min", "--start",
                                 "/bin/true", "--json"},
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

private:
    TLyTestHome FHome; // where the check of the preferences looks
    // Writes the known libraries and a project over them into the test's folder.
    QString NewKnownProject(const QStringList& extra = {}) {
        const QString project = FFolder->FilePath("known.xml");
        const TCliRun run = Cli(QStringList{"new", project, "--one", FOne, "--two", FTwo} + extra);
        if (run.Status != 0)
            qWarning("new failed: %s", qPrintable(run.Err));
        return project;
    }

    std::unique_ptr<TLyTempFolder> FShared;
    QString FGeneratedOne;
    QString FGeneratedTwo;
    std::unique_ptr<TLyTempFolder> FFolder;
    QString FOne;
    QString FTwo;
};

QTEST_GUILESS_MAIN(TestCliCommands)
#include "tst_CliCommands.moc"
