// Command lines that parse: the values each command takes from them.
#include "CliArguments.h"

#include <QTest>

namespace {

TCliParseResult Parse(const QStringList& arguments) {
    return ParseCliArguments(QStringList{"lyrabridge-cli"} + arguments);
}

using TActions = QList<std::pair<tLySongPart, tLySynchronizeAction>>;

} // namespace

Q_DECLARE_METATYPE(TActions)

class TestCliArguments : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void actions_data();
    void actions();
    void exportSides_data();
    void exportSides();
    void toITunes();
    void helpNamesTheCommand();
};

void TestCliArguments::actions_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<TActions>("expected");
    QTest::newRow("none") << QStringList{} << TActions{};
    QTest::newRow("every part") << QStringList{"--action",         "name=one",  "--action",
                                               "artist=two",       "--action",  "album=max",
                                               "--action",         "genre=min", "--action",
                                               "playcount=ignore", "--action",  "lastplayed=one",
                                               "--action",         "rating=two"}
                                << TActions{{sdName, saUseOne},      {sdArtist, saUseTwo},
                                            {sdAlbum, saUseMax},     {sdGenre, saUseMin},
                                            {sdPlayCount, saIgnore}, {sdLastPlayed, saUseOne},
                                            {sdRating, saUseTwo}};
    QTest::newRow("letter case and blanks")
        << QStringList{"--action", "Rating = MAX"} << TActions{{sdRating, saUseMax}};
    QTest::newRow("repeated: in the order given")
        << QStringList{"--action", "rating=min", "--action", "rating=max"}
        << TActions{{sdRating, saUseMin}, {sdRating, saUseMax}};
}

void TestCliArguments::actions() {
    QFETCH(QStringList, options);
    QFETCH(TActions, expected);
    const QStringList commands{"sync", "to-itunes"};
    for (const QString& command : commands) {
        QStringList arguments{command, "p.xml"};
        if (command == QStringLiteral("to-itunes"))
            arguments << "--side"
                      << "one"
                      << "--itunes-library"
                      << "i.xml"
                      << "--no-backup";
        const TCliParseResult result = Parse(arguments + options);
        QVERIFY2(result.Kind == TCliParseResult::Run, qPrintable(result.Text));
        QCOMPARE(result.Arguments.Actions, expected);
    }
}

void TestCliArguments::exportSides_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QList<int>>("sides");
    QTest::newRow("default") << QStringList{} << QList<int>{0, 1};
    QTest::newRow("both") << QStringList{"--export", "both"} << QList<int>{0, 1};
    QTest::newRow("one") << QStringList{"--export", "one"} << QList<int>{0};
    QTest::newRow("two") << QStringList{"--export", "TWO"} << QList<int>{1};
    QTest::newRow("none") << QStringList{"--export", "none"} << QList<int>{};
}

void TestCliArguments::exportSides() {
    QFETCH(QStringList, options);
    QFETCH(QList<int>, sides);
    const TCliParseResult result = Parse(QStringList{"sync", "p.xml"} + options);
    QVERIFY2(result.Kind == TCliParseResult::Run, qPrintable(result.Text));
    QCOMPARE(result.Arguments.ExportSides, sides);
}

void TestCliArguments::toITunes() {
    const TCliParseResult result =
        Parse({"to-itunes", "p.xml", "--side", "two", "--itunes-library", "lib.xml",
               "--backup-folder", "b", "--no-sync", "--start", "itunes", "--quiet"});
    QVERIFY2(result.Kind == TCliParseResult::Run, qPrintable(result.Text));
    const TCliArguments& arguments = result.Arguments;
    QCOMPARE(arguments.Command, TCliCommand::ToITunes);
    QCOMPARE(arguments.Project, QStringLiteral("p.xml"));
    QCOMPARE(arguments.Side, 1);
    QCOMPARE(arguments.ITunesLibrary, QStringLiteral("lib.xml"));
    QCOMPARE(arguments.BackupFolder, QStringLiteral("b"));
    QVERIFY(!arguments.NoBackup && arguments.NoSync && arguments.Quiet && !arguments.Json);
    QCOMPARE(arguments.StartProgram, QStringLiteral("itunes"));

    // Without synchronising, actions would silently do nothing.
    const TCliParseResult refused =
        Parse({"to-itunes", "p.xml", "--side", "two", "--itunes-library", "lib.xml", "--no-backup",
               "--no-sync", "--action", "rating=max"});
    QCOMPARE(refused.Kind, TCliParseResult::UsageError);
}

void TestCliArguments::helpNamesTheCommand() {
    const TCliParseResult result = Parse({"to-itunes", "--help"});
    QCOMPARE(result.Kind, TCliParseResult::Help);
    QVERIFY2(result.Text.startsWith("Usage: lyrabridge-cli to-itunes PROJECT --side one|two"),
             qPrintable(result.Text));
    QVERIFY(result.Text.contains("--itunes-library <FILE>"));
    QVERIFY(!result.Text.contains("--dry-run"));
}

QTEST_GUILESS_MAIN(TestCliArguments)
#include "tst_CliArguments.moc"
