// Storing object graphs through the settings front end, cursor and object handlers into the
// XML settings file: the exact file, the round trip, locations and every error message.
#include "LyTestFiles.h"
#include "LyTestSupport.h"
#include "SettingsTestClasses.h"
#include "VxClassRegistry.h"
#include "VxSettingsHandlers.h"
#include "VxSettingsXML.h"

#include <QFile>
#include <QTest>

namespace {

// Refuses every object: registered under a class name, it makes writing that class fail.
class TRefusingHandler : public TVxSettingsRTTIObjectHandler {
public:
    bool CanHandleObject(const QObject*) const override { return false; }
};

void Fill(TTestOptions& options) {
    options.Count = -42;
    options.Ratio = 0.1;
    options.Title = QStringLiteral("Rock & Roll <Live> Ça ™");
    options.Empty = QString();
    options.Blank = QStringLiteral(" ");
    options.Flag = true;
    options.Initial = u'Z';
    options.Big = 9007199254740993LL;
    options.Shape = shTriangle;
    options.Shapes = {shCircle, shTriangle};
    options.NoShapes = {};
    options.Recent = {QStringLiteral("/music/a.xml"), QStringLiteral("/music/a.xml"),
                      QStringLiteral("/other/b.xml")};
    options.Main()->Name = QStringLiteral("Main view");
    options.Main()->Shape = shSquare;
    for (int i = 0; i < 2; ++i) {
        auto* column = new TTestColumn();
        column->Name = QStringLiteral("Column %1").arg(i);
        column->Width = 50 + i;
        column->Visible = i == 0;
        options.Main()->Columns()->Add(column);
    }
    auto* one = new TTestView();
    one->Name = QStringLiteral("One");
    one->Shapes = {};
    options.Views()->SetObject(QStringLiteral("one"), one);
    auto* two = new TTestView();
    two->Name = QStringLiteral("Two");
    two->Columns()->Add(new TTestColumn());
    options.Views()->SetObject(QStringLiteral("Two"), two);
    options.Extras()->SetValue(QStringLiteral("answer"), 42);
}

QString Store(const TLyTempFolder& folder, QObject* object, const QString& name = "store.xml") {
    const QString path = folder.FilePath(name);
    auto settings = CreateXMLFileSettings(path, QStringLiteral("Options"), true);
    settings->WriteObject(QString(), object);
    return path;
}

void Load(const QString& path, QObject* object, IVxMessageRecorder* recorder = nullptr) {
    auto settings = CreateXMLFileSettings(path, QStringLiteral("Options"), true);
    settings->SetMessageRecorder(recorder);
    settings->ReadObject(QString(), object);
}

} // namespace

class TestVxSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        VxRegisterSettingsClasses();
        VxRegisterClass<TTestOptions>();
        VxRegisterClass<TTestView>();
        VxRegisterClass<TTestColumn>();
        VxRegisterClass<TTestColumnList>();
        VxRegisterSetType<tShapes>();
    }

    void resolveLocation_data() {
        QTest::addColumn<QString>(
            "options"); // S defaults, D default, P priority, T transformers, R root
        QTest::addColumn<QString>("location");
        QTest::addColumn<bool>("forWriting");
        QTest::addColumn<QString>("repositories");
        QTest::addColumn<QString>("path");
        const auto row = [](const char* name, const char* options, const char* location,
                            bool forWriting, const char* repositories, const char* path) {
            QTest::newRow(name) << QString(options) << QString(location) << forWriting
                                << QString(repositories) << QString(path);
        };
        row("default read chain", "S", "View", false, "Options.Priority", "Root.View:r");
        row("explicit repository read first", "S", "User::View", false, "Options.User.Priority",
            "Root.View:r");
        row("write goes to the default", "S", "View", true, "Options", "Root.View:w");
        row("explicit write", "S", "User::View", true, "User", "Root.View:w");
        row("empty path", "S", "", false, "Options.Priority", "Root:r");
        row("empty repository name", "S", "::View", false, "Options.Priority", "Root.View:r");
        row("no transformers", "DPR", "View", false, "Options.Priority", "Root.View");
        row("no priority repository", "DR", "View", false, "Options", "Root.View");
        row("read transformer before the path's own", "DPT", "View:t", false, "Options.Priority",
            "View:r:t");
        row("path of transformers only", "DPT", ":t", false, "Options.Priority", ":r:t");
    }

    void resolveLocation() {
        QFETCH(QString, options);
        QFETCH(QString, location);
        QFETCH(bool, forWriting);
        TVxSettings settings;
        settings.DefaultReadRepository = QStringLiteral("Options");
        settings.DefaultWriteRepository = QStringLiteral("Options");
        settings.PriorityReadRepository = QStringLiteral("Priority");
        settings.RootPath = QStringLiteral("Root");
        settings.DefaultReadTransformer = QStringLiteral("r");
        settings.DefaultWriteTransformer = QStringLiteral("w");
        TVxSettingsLocationOptions set;
        const std::pair<QChar, TVxSettingsLocationOption> letters[] = {
            {u'S', loUseSettingsDefaults},
            {u'D', loDefaultReadRepository},
            {u'P', loPriorityReadRepository},
            {u'T', loDefaultTransformers},
            {u'R', loRootPath}};
        for (const auto& [letter, option] : letters)
            if (options.contains(letter))
                set.Include(option);
        const auto resolved = settings.ResolveLocation(location, set, forWriting);
        QTEST(resolved.Repositories, "repositories");
        QTEST(resolved.Path, "path");
    }

    // The stored file is exactly the golden one, and reading it back and storing what was read
    // gives the same file again: every property, list, map and null survives the round trip.
    void goldenFileRoundTrip() {
        TTestOptions stored;
        Fill(stored);
        const QString path = Store(FFolder, &stored);
        const QString difference =
            LyGoldenFileDifference(ReadWholeFile(path), QStringLiteral("settings/golden.xml"));
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
        TTestOptions read;
        Load(path, &read);
        QCOMPARE(ReadWholeFile(Store(FFolder, &read, QStringLiteral("again.xml"))),
                 ReadWholeFile(path));
        // Stored again over the file, a shorter list leaves none of the old items behind.
        read.Recent = QStringList{QStringLiteral("/x.xml")};
        Store(FFolder, &read);
        TTestOptions again;
        Load(path, &again);
        QCOMPARE(again.Recent, read.Recent);
    }

    void readingKeepsWhatIsNotStored() {
        // A missing file changes nothing; an older file without some properties leaves them as
        // they were, and an object map is replaced by what is stored.
        TTestOptions options;
        options.Views()->SetObject(QStringLiteral("gone"), new TTestView());
        Load(FFolder.FilePath(QStringLiteral("no/such/file.xml")), &options);
        QCOMPARE(options.Views()->Count(), 1);
        const QString path = FFolder.WriteFile(
            QStringLiteral("old.xml"),
            "<Settings><Options><object>True</object><handler>TObject</handler>"
            "<class>TTestOptions</class><Count>7</Count><Views><object>True</object>"
            "<handler>TVxObjectHashMap</handler><class>TVxObjectHashMap</class></Views>"
            "</Options></Settings>");
        Load(path, &options);
        QCOMPARE(options.Count, 7);
        QCOMPARE(options.Title, QStringLiteral("Untitled"));
        QCOMPARE(options.Views()->Count(), 0);
    }

    void unchangedValueLeavesRepositoryUnmodified() {
        TTestOptions options;
        const QString path = Store(FFolder, &options, QStringLiteral("unchanged.xml"));
        auto settings = CreateXMLFileSettings(path, QStringLiteral("Options"), true);
        TVxSettingsRepository* repository =
            settings->Repositories().Find(QStringLiteral("Options"));
        TVxSettingsCursor& cursor = settings->Cursor();
        cursor.PositionForWriting(QStringLiteral("Options"), QStringLiteral("Options"));
        cursor.WriteInteger(QStringLiteral("Count"), 0);
        QVERIFY(!repository->Modified());
        settings->Updater().BeginUpdate(); // an open update records each written repository once
        cursor.WriteInteger(QStringLiteral("Count"), 5);
        cursor.WriteInteger(QStringLiteral("Count"), 6);
        settings->Updater().EndUpdate();
        QVERIFY(repository->Modified());
        QCOMPARE(settings->Updater().Pending(), QStringList{"options"});

        auto fresh = CreateXMLFileSettings(path, QStringLiteral("Options"), true);
        fresh->WriteObject(QString(), &options); // an object always rewrites its content
        QVERIFY(fresh->Repositories().Find(QStringLiteral("Options"))->Modified());
    }

    void writeErrors() {
        TTestOptions options;
        QString raised;
        {
            auto settings = CreateXMLFileSettings(FFolder.FilePath(QStringLiteral("w1.xml")),
                                                  QStringLiteral("Options"), true);
            LY_EXPECT_EXCEPTION(EVxSettingsException,
                                settings->WriteObject(QStringLiteral("Nowhere::x"), &options),
                                raised);
            QCOMPARE(raised, QStringLiteral("Repository [Nowhere] does not exist."));
            LY_EXPECT_EXCEPTION(EVxSettingsException,
                                settings->WriteObject(QStringLiteral("x:Upper"), &options), raised);
            QCOMPARE(raised, QStringLiteral("Transformer for [Upper] does not exist."));
            // A location of transformers only names no element to write to.
            LY_EXPECT_ASSERTION(settings->WriteObject(QStringLiteral(":Upper"), &options, {}),
                                "Units/VxSettings");
            settings->Handlers().Add(QStringLiteral("TTestOptions"), new TRefusingHandler());
            LY_EXPECT_EXCEPTION(EVxSettingsException, settings->WriteObject(QString(), &options),
                                raised);
            QCOMPARE(raised,
                     QStringLiteral("Handler cannot store objects of type [TTestOptions]."));
            settings->ClearAll();
            settings->Repositories().Find(QStringLiteral("Options"))->SetModified(false);
        }
        TVxSettings bare; // no handlers at all
        bare.DefaultWriteRepository = QStringLiteral("Options");
        auto* repository = new TVxSettingsXMLFileRepository();
        bare.Repositories().Add(QStringLiteral("Options"), repository);
        LY_EXPECT_EXCEPTION(EVxSettingsException, bare.WriteObject(QString(), &options), raised);
        QCOMPARE(raised, QStringLiteral("Handler for [TTestOptions] does not exist."));
        // A class without a handler of its own goes to the first handler that takes it.
        bare.Handlers().Add(QStringLiteral("TObject"), new TVxSettingsRTTIObjectHandler());
        TTestColumn column;
        bare.WriteObject(QStringLiteral("Column"), &column);
        QVERIFY(repository->Exists(QStringLiteral("Column.Width")));
        LY_EXPECT_ASSERTION(TVxSettings().WriteObject(QString(), &options), "Units/VxSettings");
    }

    void errorMessages_data() {
        QTest::addColumn<QByteArray>("options"); // the content of the Options element
        QTest::addColumn<QString>("message");
        const QByteArray head =
            "<object>True</object><handler>TObject</handler><class>TTestOptions</class>";
        QTest::newRow("stored by another handler")
            << QByteArray(
                   "<object>True</object><handler>TStrings</handler><class>TStringList</class>")
            << "Handler [TObject] cannot read object [TTestOptions] stored by handler [TStrings] "
               "at "
               "[Options].";
        QTest::newRow("class without object") << head + "<Main><class>TTestView</class></Main>"
                                              << "There is no object stored at [Options.Main].";
        QTest::newRow("map item without class")
            << head +
                   "<Views><object>True</object><handler>TVxObjectHashMap</handler>"
                   "<class>TVxObjectHashMap</class><item><text>a</text><data><object>True</object>"
                   "</data></item></Views>"
            << "There is no class information stored at [Options.Views.item.data].";
        QTest::newRow("unregistered class")
            << head +
                   "<Views><object>True</object><handler>TVxObjectHashMap</handler>"
                   "<class>TVxObjectHashMap</class><item><text>a</text><data><object>True</object>"
                   "<handler>TObject</handler><class>TNoSuchView</class></data></item></Views>"
            << "Class [TNoSuchView] stored at [Options.Views.item.data] has not been registered "
               "with Classes.RegisterClass.";
        QTest::newRow("unknown enumeration identifier") << head + "<Shape>shHexagon</Shape>"
                                                        << "Invalid property element: shHexagon";
        QTest::newRow("unknown set identifier") << head + "<Shapes>shCircle,shOval</Shapes>"
                                                << "Invalid property element: shOval";
        QTest::newRow("bad boolean") << head + "<Flag>maybe</Flag>"
                                     << "Invalid property element: maybe";
    }

    void errorMessages() {
        QFETCH(QByteArray, options);
        QFETCH(QString, message);
        const QString path = FFolder.WriteFile(QStringLiteral("errors.xml"),
                                               "<?xml version=\"1.0\"?>\n<Settings><Options>" +
                                                   options + "</Options></Settings>");
        TTestOptions read;
        QString raised;
        LY_EXPECT_EXCEPTION(EVxSettingsException, Load(path, &read), raised);
        QCOMPARE(raised, message);
    }

    void combinePath_data() {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("sub");
        QTest::addColumn<QString>("combined");
        const auto row = [](const char* name, const char* base, const char* sub,
                            const char* combined) {
            QTest::newRow(name) << QString(base) << QString(sub) << QString(combined);
        };
        row("plain", "A", "B", "A.B");
        row("empty sub", "A", "", "A");
        row("empty base", "", "B", "B");
        row("transformer stays last", "A:t", "B", "A.B:t");
        row("two transformers", "A.C:t:u", "B", "A.C.B:t:u");
        row("repository prefix skipped", "R::A:t", "B", "R::A.B:t");
        row("base of transformers only", ":t", "B", "B");
    }

    void combinePath() {
        QFETCH(QString, base);
        QFETCH(QString, sub);
        QTEST(CombinePath(base, sub), "combined");
    }

    void readChainPrefersLaterRepository() {
        // Defaults.User: User is tried first; Defaults only when User holds nothing there.
        TTestOptions defaults;
        defaults.Count = 1;
        const QString defaultsPath = Store(FFolder, &defaults, QStringLiteral("defaults.xml"));
        TTestOptions user;
        user.Count = 2;
        const QString userPath = Store(FFolder, &user, QStringLiteral("user.xml"));

        auto settings = CreateXMLFileSettings(defaultsPath, QStringLiteral("Defaults"), false);
        auto* userRepository = new TVxSettingsXMLFileRepository();
        settings->Repositories().Add(QStringLiteral("User"), userRepository);
        userRepository->SetFileName(userPath);
        TTestOptions read;
        settings->ReadObject(QStringLiteral("Defaults.User::Options"), &read, {});
        QCOMPARE(read.Count, 2);
        userRepository->Clear();
        userRepository->SetModified(false);
        settings->ReadObject(QStringLiteral("Defaults.User::Options"), &read, {});
        QCOMPARE(read.Count, 1);
        settings->ClearAll(); // every repository, the first one too
        QVERIFY(!settings->Repositories().Find(QStringLiteral("Defaults"))->Exists("Options"));
    }

private:
    TLyTempFolder FFolder;
};

QTEST_APPLESS_MAIN(TestVxSettings)
#include "tst_VxSettings.moc"
