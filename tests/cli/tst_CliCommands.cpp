// The commands run in-process on small known libraries and on generated ones: printed figures,
// written libraries, the report, the project file, the iTunes replacement and exit statuses.
#include "Cli.h"
#include "CliReport.h"
#include "LibraryBuilders.h"
#include "LibraryGenerator.h"
#include "LyLibraryFile.h"
#include "LySystem.h"
#include "LyTestFiles.h"
#include "LyTestHome.h"

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
                      int playCount, int rating, const QString& playDate = {}) {
    TLyLibraryTrack track{{"Track ID", "integer", "1"},
                          {"Name", "string", name},
                          {"Artist", "string", artist},
                          {"Album", "string", album},
                          {"Genre", "string", "Pop"},
                          {"Track Type", "string", "File"},
                          {"Play Count", "integer", QString::number(playCount)},
                          {"Rating", "integer", QString::number(rating)}};
    if (!playDate.isEmpty())
        track.append({"Play Date UTC", "date", playDate});
    return track;
}

const QByteArray kLibraryOne =
    MakeLibraryXml({Track("Waterloo", "ABBA", "Waterloo", 3, 60, "2006-01-01T00:00:00Z"),
                    Track("Only in One", "Xavier", "Xylophones", 1, 0),
                    Track(kQuotedName, "Yvonne", "Yonder", 0, 100)});
const QByteArray kLibraryTwo = MakeLibraryXml(
    {Track("Waterloo", "ABBA", "Waterloo", 5, 80, "2007-05-05T00:00:00Z"),
     Track(kQuotedName, "Yvonne", "Yonder", 7, 100), Track("Only in Two A", "Zoe", "Zebra", 2, 20),
     Track("Only in Two B", "Zoe", "Zebra", 4, 40)});

// Every track of the library file, in file order, read by the engine's own reader; each as
// "name:play count:rating", with `whole` followed by the other compared values, the location and
// the track kind.
QStringList ReadTracks(const QString& fileName, bool whole = false) {
    QStringList tracks;
    try {
        const std::unique_ptr<TLyLibraryDocument> document =
            LoadLibraryDocument(fileName, nullptr, nullptr);
        TLyLibraryOptions library;
        ReadLibrary(*document, library, TLyCompareOptions(), nullptr, nullptr);
        for (const TLySongProperties& t : document->ReadTracks())
            tracks << QStringList{t.Name(), QString::number(t.PlayCount()),
                                  QString::number(t.Rating())}
                              .join(u':') +
                          (whole ? QStringList{t.Artist(), t.Album(), t.Genre(),
                                               QString::number(t.LastPlayed()), t.Location(),
                                               QString::number(int(t.TrackKind()))}
                                       .join(u':')
                                 : QString());
    } catch (const Exception& error) {
        QTest::qFail(qPrintable(error.Message()), __FILE__, __LINE__);
    }
    return tracks;
}

struct TCliRun {
    int Status = -1;
    QString Out;
    QString Err;
    // The one JSON object a --json run prints, on one line.
    QJsonObject Json() const {
        return Out.trimmed().contains(u'\n') ? QJsonObject()
                                             : QJsonDocument::fromJson(Out.toUtf8()).object();
    }
};

TCliRun Cli(const QStringList& arguments, const TCliEnvironment& environment = {}) {
    TCliRun run;
    QTextStream out(&run.Out);
    QTextStream err(&run.Err);
    run.Status = RunCli(QStringList{"lyrabridge-cli"} + arguments, out, err, environment);
    return run;
}

// Name, artist, album, genre, play count, last played and rating.
QJsonObject PerPart(const QList<int>& counts) {
    QJsonObject parts;
    const char* names[] = {"name", "artist", "album", "genre", "playcount", "lastplayed", "rating"};
    for (int i = 0; i < 7; ++i)
        parts.insert(names[i], counts.value(i));
    return parts;
}

} // namespace

class TestCliCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        LySystemStartup();
        const TLyLibraryGenerator generator(400);
        QString error;
        FGeneratedOne = FShared.FilePath("one.xml");
        FGeneratedTwo = FShared.FilePath("two.xml");
        QVERIFY2(generator.WriteFile(FGeneratedOne, TLyBenchLibrary::One, &error) &&
                     generator.WriteFile(FGeneratedTwo, TLyBenchLibrary::Two, &error),
                 qPrintable(error));
    }

    void cleanupTestCase() {
        // Whatever the commands did, they never wrote the preferences.
        TLyOptions preferences;
        QVERIFY2(!QFileInfo::exists(preferences.GetFileName()),
                 qPrintable(preferences.GetFileName()));
        FFolder.reset();
        LySystemShutdown();
    }

    void init() {
        FFolder = std::make_unique<TLyTempFolder>();
        FOne = FFolder->WriteFile("one.xml", kLibraryOne);
        FTwo = FFolder->WriteFile("two.xml", kLibraryTwo);
    }

    void rematchUsesTheProjectsCompareOptions() {
        // The generated libraries spell some shared songs differently: only the looser matching of
        // the project's compare options pairs those.
        const QString project = FFolder->FilePath("sub/generated.xml"); // a folder made for it
        const QJsonObject made =
            Cli({"new", project, "--one", FGeneratedOne, "--two", FGeneratedTwo, "--json"}).Json();
        QCOMPARE(made["project"].toString(), project);
        QCOMPARE(made["two"].toObject()["input"].toString(), FGeneratedTwo);
        const QJsonObject exact = Cli({"stats", project, "--json"}).Json();
        const QJsonObject rematched = Cli({"stats", project, "--rematch", "--json"}).Json();
        QVERIFY(exact["matched"].toInt() > 0);
        QVERIFY(rematched["matched"].toInt() > exact["matched"].toInt());
        // The generated libraries give their tracks Persistent IDs of their own: none pair by them.
        const QJsonObject byId =
            Cli({"stats", project, "--match", "Persistent-ID", "--json"}).Json();
        QCOMPARE(byId["matched"].toInt(), 0);
        for (const QJsonObject& figures : {exact, rematched, byId})
            QCOMPARE(figures["matched"].toInt() + figures["only_one"].toInt() +
                         figures["only_two"].toInt(),
                     figures["songs"].toInt());
    }

    void projectStoredOnlyWhenAsked() {
        const QString project = NewKnownProject({"--out-one", FFolder->FilePath("one-out.xml"),
                                                 "--out-two", FFolder->FilePath("two-out.xml")});
        const QMap<QString, QByteArray> files = LyFolderContents(FFolder->Path());
        const QString report = FFolder->FilePath("report.csv");
        // A dry run writes only the report, even when asked to store the project.
        const TCliRun run = Cli({"sync", project, "--dry-run", "--save-project", "--action",
                                 "genre=one", "--report", report, "--json"});
        QVERIFY2(run.Status == 0, qPrintable(run.Err));
        QCOMPARE(run.Json()["written"].toArray(), QJsonArray());
        QCOMPARE(run.Json()["changed"].toObject()["one"].toObject()["playcount"].toInt(), 2);
        QVERIFY(QFile::remove(report));
        QCOMPARE(LyFolderContents(FFolder->Path()), files);
        QCOMPARE(Cli({"sync", project, "--export", "none", "--action", "genre=one"}).Status, 0);
        QCOMPARE(LyFolderContents(FFolder->Path()), files);
        // Only the library asked for is written.
        QCOMPARE(Cli({"sync", project, "--export", "one", "--json"}).Json()["written"].toArray(),
                 QJsonArray({FFolder->FilePath("one-out.xml")}));

        QCOMPARE(Cli({"sync", project, "--export", "two", "--action", "genre=one", "--action",
                      "rating=min", "--force", "--save-project"})
                     .Status,
                 0);
        TLyProjectOptions options;
        options.SetName(project);
        options.Load();
        QCOMPARE(QList<int>({options.Action(sdGenre), options.Action(sdRating),
                             options.Action(sdPlayCount)}),
                 QList<int>({saUseOne, saUseMin, saUseMax}));
        QVERIFY(options.ForceSynchronize());
        QCOMPARE(
            QStringList({options.LibraryOne()->InputPath(), options.LibraryTwo()->OutputPath()}),
            QStringList({FOne, FFolder->FilePath("two-out.xml")}));
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
            {"help", "--help", 0, ""},
            {"help of a command", "sync --help", 0, ""},
            {"version", "--version", 0, ""},
            {"adding plays", "sync @/known.xml --action playcount=add --export none", 0, ""},
            {"missing project", "stats @/none.xml", 1, "Project file [@/none.xml] does not exist"},
            {"library file as project", "stats @/one.xml", 1, "[@/one.xml] is not a project file"},
            {"missing library", "stats @/missing-input.xml", 1,
             "Library [Two]: input file [@/gone.xml] does not exist or is not a file."},
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
            {"no output file for the one export", "sync @/no-out.xml --export one", 1,
             "Library [One] of project [@/no-out.xml] has no output file"},
            {"iTunes runs",
             "to-itunes @/known.xml --side one --itunes-library @/itunes/lib.xml --no-backup", 1,
             "iTunes is running"},
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
        const QString gone = FFolder->WriteFile("gone.xml", kLibraryOne);
        const QString bad = FFolder->WriteFile("bad.xml", "<plist><dict><key>Tracks</key>");
        for (const QStringList& made :
             {QStringList{"missing-input.xml", "--one", FOne, "--two", gone},
              {"bad-input.xml", "--one", FOne, "--two", bad},
              {"no-out.xml", "--one", FOne, "--two", FTwo, "--out-two",
               FFolder->FilePath("o.xml")}})
            QCOMPARE(Cli(QStringList{"new", FFolder->FilePath(made[0])} + made.mid(1)).Status, 0);
        QVERIFY(QFile::remove(gone));
        FFolder->WriteFile("broken.xml", "<Settings><Options><class>TLyProjectOptions</class>");
        FFolder->WriteFile("itunes/lib.xml", "old library");
        FFolder->WriteFile("itunes/iTunes Library.itl", "old database");
        FFolder->WriteFile("proc/42/cmdline",
                           QByteArray("C:\\Program Files\\iTunes\\iTunes.exe") + '\0');
        const QMap<QString, QByteArray> before = LyFolderContents(FFolder->Path());
        TCliEnvironment environment;
        environment.ProcRoot = FFolder->FilePath("proc");

        message.replace("@", FFolder->Path());
        const TCliRun run =
            Cli(arguments.isEmpty() ? QStringList()
                                    : arguments.replace("@", FFolder->Path()).split(u' '),
                environment);
        QVERIFY2(run.Status == status, qPrintable(run.Err));
        if (status == 0) {
            QVERIFY2(run.Err.isEmpty() && !run.Out.isEmpty(), qPrintable(run.Err));
            return;
        }
        QVERIFY2(run.Err.startsWith("lyrabridge-cli: "), qPrintable(run.Err));
        for (const QString& part : message.split(u'|')) // parts of the message, in any order
            QVERIFY2(run.Err.contains(part), qPrintable(run.Err));
        QCOMPARE(run.Out, QString());
        // Nothing written, replaced or set aside.
        QCOMPARE(LyFolderContents(FFolder->Path()), before);
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
        TCliEnvironment environment;
        environment.ErrIsTerminal = terminal;
        const QString project = NewKnownProject();
        const TCliRun run =
            Cli(QStringList{"stats", project} + (quiet ? QStringList{"--quiet"} : QStringList()),
                environment);
        QCOMPARE(run.Status, 0);
        // One line redrawn in place, cleared at the end.
        QCOMPARE(run.Err.contains("Loading Libraries...") && run.Err.contains("Loading One...") &&
                     run.Err.contains("100%") && !run.Err.contains(u'\n') &&
                     run.Err.endsWith("\r\x1b[K"),
                 progress);
        QCOMPARE(run.Err.isEmpty(), !progress);
    }

    void toITunesReplacesTheLibrary_data() {
        QTest::addColumn<bool>("json");
        QTest::addColumn<QString>("start");
        QTest::newRow("JSON, program started") << true << "/bin/true";
        // An executable file that no system can run: the library is replaced all the same, but
        // the run fails.
        QTest::newRow("text, program fails to start") << false << "broken-program";
    }

    void toITunesReplacesTheLibrary() {
        QFETCH(bool, json);
        QFETCH(QString, start);
        const QString project = NewKnownProject();
        const QString library =
            FFolder->WriteFile("itunes/iTunes Music Library.xml", "old library");
        const QString database = FFolder->WriteFile("itunes/iTunes Library.itl", "old database");
        const QString backups = FFolder->FilePath("backups");
        if (!json) {
            start = FFolder->WriteFile(start, "\x7f"
                                              "ELF no program");
            QVERIFY(QFile::setPermissions(start, QFile::permissions(start) | QFile::ExeOwner));
        }
        const TLyTempFolder noPrograms; // an empty proc file system: iTunes does not run
        TCliEnvironment environment;
        environment.ProcRoot = noPrograms.Path();
        const TCliRun run = Cli(QStringList{"to-itunes", project, "--side", "two",
                                            "--itunes-library", library, "--backup-folder", backups,
                                            "--action", "rating=min", "--start", start} +
                                    (json ? QStringList{"--json"} : QStringList()),
                                environment);
        const QStringList backupFolders =
            QDir(backups).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(backupFolders.size(), 1);
        const QString backup = backups + u'/' + backupFolders.first();
        if (json) {
            QVERIFY2(run.Status == 0 && run.Err.isEmpty(), qPrintable(run.Err));
            QCOMPARE(run.Json()["written"].toArray(), QJsonArray({library}));
            QCOMPARE(run.Json()["changed"].toObject()["two"].toObject()["rating"].toInt(), 1);
            QCOMPARE(run.Json()["backup"].toString(), backup);
            QVERIFY(run.Json()["started"].toBool());
        } else {
            QCOMPARE(run.Status, 1);
            QVERIFY2(run.Err.contains("could not be started"), qPrintable(run.Err));
            QVERIFY2(run.Out.contains("Previous iTunes files backed up to: " + backup + "\n") &&
                         !run.Out.contains("Started:"),
                     qPrintable(run.Out));
        }
        QCOMPARE(ReadWholeFile(backup + "/iTunes Music Library.xml"), QByteArray("old library"));
        QCOMPARE(ReadWholeFile(backup + "/iTunes Library.itl"), QByteArray("old database"));
        QCOMPARE(QFileInfo(database).size(), 0);
        const QStringList tracks = ReadTracks(library); // library Two
        QCOMPARE(tracks.size(), 4);
        QCOMPARE(tracks.first(), QStringLiteral("Waterloo:5:60"));
    }

    void syncWritesLibrariesAndReport() {
        const QString outOne = FFolder->FilePath("one-out.xml");
        const QString outTwo = FFolder->FilePath("two-out.xml");
        const QString project = NewKnownProject({"--out-one", outOne, "--out-two", outTwo});
        const QString report = FFolder->FilePath("report.csv");
        // The project keeps the larger play count and last-played date; the rating the smaller.
        const QStringList sync{"sync", project, "--action", "rating=min", "--report", report};
        const TCliRun run = Cli(sync + QStringList{"--json"});
        QVERIFY2(run.Status == 0 && run.Err.isEmpty(), qPrintable(run.Err));
        const QJsonObject json = run.Json();
        QCOMPARE(json["matched"].toInt(), 2);
        QCOMPARE(json["changed"].toObject(),
                 QJsonObject({{"one", PerPart({0, 0, 0, 0, 2, 1, 0})},
                              {"two", PerPart({0, 0, 0, 0, 0, 0, 1})}}));
        QCOMPARE(json["written"].toArray(), QJsonArray({outOne, outTwo}));
        QCOMPARE(json["report"].toString(), report);
        QCOMPARE(json["project_saved"].toBool(), false);

        QCOMPARE(ReadTracks(outOne),
                 QStringList({"Waterloo:5:60", "Only in One:1:0", kQuotedName + ":7:100"}));
        QCOMPARE(ReadTracks(outTwo, true).first(), ReadTracks(outOne, true).first());
        QCOMPARE(ReadTracks(outTwo).last(), QStringLiteral("Only in Two B:4:40"));

        const QStringList lines = QString::fromUtf8(ReadWholeFile(report)).split("\r\n");
        // Header, changes, then songs in one library only; each group by side, track and part.
        QCOMPARE(lines, QStringList({"side,name,artist,album,part,old,new",
                                     "one,\"Shared, \"\"quoted\"\"\",Yvonne,Yonder,playcount,0,7",
                                     "one,Waterloo,ABBA,Waterloo,playcount,3,5",
                                     "one,Waterloo,ABBA,Waterloo,lastplayed,2006-01-01T00:00:00Z,"
                                     "2007-05-05T00:00:00Z",
                                     "two,Waterloo,ABBA,Waterloo,rating,80,60",
                                     "one,Only in One,Xavier,Xylophones,,,",
                                     "two,Only in Two A,Zoe,Zebra,,,",
                                     "two,Only in Two B,Zoe,Zebra,,,", ""}));

        // Both written libraries now agree on every matched song.
        const QString written = FFolder->FilePath("written.xml");
        QCOMPARE(Cli({"new", written, "--one", outOne, "--two", outTwo}).Status, 0);
        const QJsonObject after = Cli({"stats", written, "--json"}).Json();
        QCOMPARE(after["matched"].toInt(), 2);
        QCOMPARE(after["different"].toObject(), PerPart({}));

        // The text output names what was written.
        const TCliRun text = Cli(sync);
        QCOMPARE(text.Status, 0);
        QVERIFY2(text.Out.contains("Report written: " + report + "\nLibrary written: " + outOne +
                                   "\nLibrary written: " + outTwo + "\n"),
                 qPrintable(text.Out));
    }

    void statsPrintsTheFigures() {
        const QString project = NewKnownProject({"--name-one", "Home", "--name-two", "Laptop"});
        const QJsonObject figures = Cli({"stats", project, "--json"}).Json();
        QCOMPARE(QList<int>({figures["songs"].toInt(), figures["matched"].toInt(),
                             figures["only_one"].toInt(), figures["only_two"].toInt()}),
                 QList<int>({5, 2, 1, 2}));
        QCOMPARE(figures["different"].toObject(), PerPart({0, 0, 0, 0, 2, 1, 1}));

        // Labels 28 characters wide, numbers right-aligned in 10.
        const TCliRun text = Cli({"stats", project});
        QCOMPARE(text.Status, 0);
        const auto line = [](const QString& label, int value) {
            return label.leftJustified(28) + QString::number(value).rightJustified(10) + u'\n';
        };
        QVERIFY2(text.Out.startsWith(line("Songs", 5) + line("Matched", 2) +
                                     line("Only in Home", 1) + line("Only in Laptop", 2)),
                 qPrintable(text.Out));
        QVERIFY2(text.Out.contains(line("  playcount", 2)), qPrintable(text.Out));
        QCOMPARE(Cli({"stats", project, "--quiet"}).Out, QString());
    }

private:
    TLyTestHome FHome; // where the check of the preferences looks
    // Writes a project over the known libraries into the test's folder.
    QString NewKnownProject(const QStringList& extra = {}) {
        const QString project = FFolder->FilePath("known.xml");
        const TCliRun run = Cli(QStringList{"new", project, "--one", FOne, "--two", FTwo} + extra);
        if (run.Status != 0)
            qWarning("new failed: %s", qPrintable(run.Err));
        return project;
    }

    TLyTempFolder FShared;
    QString FGeneratedOne;
    QString FGeneratedTwo;
    std::unique_ptr<TLyTempFolder> FFolder;
    QString FOne;
    QString FTwo;
};

QTEST_GUILESS_MAIN(TestCliCommands)
#include "tst_CliCommands.moc"
