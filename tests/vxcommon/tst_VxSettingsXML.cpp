// The XML settings file: the exact layout, value texts both ways, tolerant reading, lists,
// removing elements, unreadable files set aside, and saves that fail without harm; the markup
// refused before parsing, and the save file underneath every store.
#include "ArMessageLog.h"
#include "LyLoggedMessages.h"
#include "LyTestFiles.h"
#include "LyTestSupport.h"
#include "VxSaveFile.h"
#include "VxSettings.h"
#include "VxSettingsXML.h"
#include "VxStoredLists.h"
#include "VxXmlReferences.h"

#include <QDir>
#include <QFile>
#include <QTest>

Q_DECLARE_METATYPE(TVxSettingsValueType)

namespace {

// A repository loaded from `fileName` (an empty document when there is no such file).
std::unique_ptr<TVxSettingsXMLFileRepository> Open(const QString& fileName) {
    auto repository = std::make_unique<TVxSettingsXMLFileRepository>();
    repository->SetFileName(fileName);
    return repository;
}

QString ReadText(TVxSettingsRepository& repository, const QString& path) {
    return repository.ReadValue(path, svtWidetext).toString();
}

bool Store(const QString& fileName, const QByteArray& bytes) {
    TVxSaveFile file(fileName);
    return file.Open() && file.Write(bytes) && file.Commit();
}

} // namespace

class TestVxSettingsXML : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { ArMessageLogStartup(); }
    void cleanupTestCase() { ArMessageLogShutdown(); }

    void valueRoundTrip_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QVariant>("readBack");
        const QDate leap(2024, 2, 29);
        const QDateTime midnight(leap, QTime(0, 0), Qt::UTC);
        const QDateTime afternoon(leap, QTime(13, 5, 9, 7), Qt::UTC);
        auto row = [](const char* name, const QVariant& value, const QByteArray& text,
                      const QVariant& readBack = QVariant()) {
            QTest::newRow(name) << value << text << (readBack.isValid() ? readBack : value);
        };
        row("true", true, "True");
        row("false", false, "False");
        row("integer", -42, "-42");
        row("bigint", qint64(9007199254740993), "9007199254740993");
        row("float", 1.5, "1.5");
        row("float rounded to 15 digits", 0.1 + 0.2, "0.3", 0.3);
        row("float of 15 digits", 1.0 / 3, "0.333333333333333", 0.333333333333333);
        row("float large", 1e20, "1E20");
        row("float small", -1.5e-7, "-1.5E-7");
        row("float fixed", 123456.789, "123456.789");
        row("date", midnight, "2024-02-29");
        row("date and time", afternoon, "2024-02-29T13:05:09.007Z");
        row("date without time", QDate(1999, 12, 31), "1999-12-31",
            QDateTime(QDate(1999, 12, 31), QTime(0, 0), Qt::UTC));
        row("8-bit text", QByteArray("caf\xc3\xa9 & <x>"), "caf\xc3\xa9 &amp; &lt;x&gt;");
        row("wide text",
            QString::fromUtf8("Gr\xc3\xb6\xc3\x9f"
                              "e \"q\""),
            "Gr\xc3\xb6\xc3\x9f"
            "e \"q\"");
        row("blank", QString(" "), " ");
        row("line break", QString("two\r\nlines"), "two&#13;\nlines");
    }

    // Written in the documented form, and read back from the saved file.
    void valueRoundTrip() {
        QFETCH(QVariant, value);
        QFETCH(QByteArray, text);
        QFETCH(QVariant, readBack);
        TLyTempFolder folder;
        const QString file = folder.FilePath("prefs.xml");
        auto repository = Open(file);
        repository->SetWriteTypes(false);
        repository->WriteValue("Options.Value", value);
        repository->Save();
        const QByteArray bytes = ReadWholeFile(file);
        QVERIFY2(bytes.contains("    <Value>" + text + "</Value>\r\n"), bytes.constData());

        auto loaded = Open(file);
        QCOMPARE(loaded->ReadValue("options.VALUE", VxValueTypeOf(value)), readBack);
    }

    void tolerantReading_data() {
        QTest::addColumn<QByteArray>("content");
        const QByteArray body = "<Options>\n"
                                "  <Name>\xc3\x9cn\xc3\xaf</Name>\n"
                                "  <Count type=\"integer\">5</Count>\n"
                                "  <Flag type=\"boolean\">yes</Flag>\n"
                                "</Options>\n";
        const QByteArray declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        const QByteArray lf = declaration + "<Settings>\n" + body + "</Settings>\n";
        QTest::newRow("LF") << lf;
        QTest::newRow("byte-order mark, CR LF")
            << "\xef\xbb\xbf" + QByteArray(lf).replace("\n", "\r\n");
        QTest::newRow("other root, no declaration") << "<Preferences>" + body + "</Preferences>";
        QTest::newRow("other letter case") << QByteArray(
            "<settings><OPTIONS><name>\xc3\x9cn\xc3\xaf</name><count TYPE=\"Integer\">5"
            "</count><FLAG Type=\"BOOLEAN\">Y</FLAG></OPTIONS></settings>");
        const QString utf16 = QString::fromUtf8("<?xml version=\"1.0\" encoding=\"UTF-16\"?>" +
                                                lf.mid(declaration.size()));
        QTest::newRow("UTF-16") << "\xff\xfe" +
                                       QByteArray(reinterpret_cast<const char*>(utf16.utf16()),
                                                  utf16.size() * 2);
    }

    void tolerantReading() {
        QFETCH(QByteArray, content);
        TLyTempFolder folder;
        auto repository = Open(folder.WriteFile("prefs.xml", content));
        QCOMPARE(ReadText(*repository, "Options.Name"), QString::fromUtf8("\xc3\x9cn\xc3\xaf"));
        // Asking for no type parses by the type attribute; without one nothing is stored.
        QCOMPARE(repository->ReadValue("Options.Count", svtNull), QVariant(5));
        QCOMPARE(repository->ReadValue("Options.Flag", svtNull), QVariant(true));
        QCOMPARE(repository->ReadValue("Options.Name", svtNull), QVariant());
        QCOMPARE(repository->ReadValue("Options.Missing", svtWidetext), QVariant());
    }

    void writeRefused_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("error");
        QTest::newRow("other type")
            << "Options.List" << QVariant(QStringList{"a"})
            << QString("Unrecognized data type [%1]").arg(QMetaType::QStringList);
        QTest::newRow("name no parser accepts")
            << "Options.Sub.1st" << QVariant(1)
            << "Invalid element name [1st] in path [Options.Sub.1st]";
        QTest::newRow("bad character after the first")
            << "Options.a b" << QVariant(1) << "Invalid element name [a b] in path [Options.a b]";
    }

    // A refused value leaves no element behind.
    void writeRefused() {
        QFETCH(QString, path);
        QFETCH(QVariant, value);
        QFETCH(QString, error);
        TVxSettingsXMLFileRepository repository;
        QString message;
        LY_EXPECT_EXCEPTION(EVxSettingsXMLException, repository.WriteValue(path, value), message);
        QCOMPARE(message, error);
        QVERIFY(!repository.Exists("Options"));
        QVERIFY(!repository.Exists(path));
    }

    void existsDeleteClearChildren() {
        TVxSettingsXMLFileRepository repository;
        repository.WriteValue("A.B", QString("keep"));
        repository.WriteValue("A.B.C", 1);
        repository.WriteValue("A.B.D.E", 2);
        repository.WriteValue("A.F", 3);
        // Names with '-' and non-ASCII letters, found in any letter case.
        repository.WriteValue("A.Ärger-1", 4);
        repository.WriteValue("A.Übel", 5);
        QCOMPARE(repository.ReadValue("a.ÜBEL", svtInteger), QVariant(5));
        QCOMPARE(repository.ReadValue("a.ärger-1", svtInteger), QVariant(4));
        repository.SetModified(false);
        QVERIFY(repository.Exists("a.b.c"));
        QCOMPARE(repository.ReadValue("A.B.D.E", svtInteger), QVariant(2));

        repository.ClearChildren("A.B");
        QVERIFY(repository.Modified());
        QVERIFY(!repository.Exists("A.B.C"));
        QCOMPARE(repository.ReadValue("A.B.D.E", svtInteger), QVariant());
        QCOMPARE(ReadText(repository, "A.B"), QString("keep"));

        QCOMPARE(repository.ReadValue("A.F", svtInteger), QVariant(3));
        repository.Delete("A.F");
        QCOMPARE(repository.ReadValue("A.F", svtInteger), QVariant());
        QVERIFY(repository.Exists("A.B"));

        // A list written again replaces its items and keeps what else is there.
        repository.WriteValue("A.List.item", QString("stale"));
        {
            auto list = repository.CreateListWriter(nullptr, "A.List.item");
            list->ClearItems();
            list->NextItem();
            repository.WriteValue("A.List.item", QString("new"));
        }
        QCOMPARE(repository.CreateListReader(nullptr, "a.list.item")->Count(), 1);
        QCOMPARE(ReadText(repository, "A.List.item"), QString("new"));

        repository.SetModified(false);
        repository.Delete("A.Missing");
        repository.ClearChildren("A.B");
        QVERIFY(!repository.Modified());
    }

    void loadErrors_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("folder");
        QTest::addColumn<QString>("reason");
        QTest::newRow("mismatched tags") << QByteArray("<Settings><a></Settings>") << false
                                         << "Start-end tags mismatch at offset 15";
        QTest::newRow("empty file") << QByteArray() << false << "No document element found";
        QTest::newRow("unsupported markup at the start")
            << QByteArray("&e;<Settings/>") << false << "it holds";
        QTest::newRow("folder") << QByteArray() << true << "it is a folder";
    }

    // The error names the file and the fault; the document loaded before stays.
    void loadErrors() {
        QFETCH(QByteArray, content);
        QFETCH(bool, folder);
        QFETCH(QString, reason);
        TLyTempFolder temp;
        auto repository = Open(temp.WriteFile("good.xml", "<S><Kept>1</Kept></S>"));
        const QString bad = temp.FilePath("bad.xml");
        if (folder)
            QVERIFY(QDir().mkpath(bad));
        else
            temp.WriteFile("bad.xml", content);
        QString message;
        LY_EXPECT_EXCEPTION(EVxSettingsXMLException, repository->SetFileName(bad), message);
        QVERIFY2(message.startsWith("Cannot read settings file [" + bad + "]: "),
                 qPrintable(message));
        QVERIFY2(message.contains(reason), qPrintable(message));
        QCOMPARE(repository->ReadValue("Kept", svtInteger), QVariant(1));
    }

    // Each unreadable file is renamed aside, never over an earlier one, with a warning.
    void unreadableFileIsSetAside() {
        TLyTempFolder folder;
        const QString file = folder.FilePath("prefs.xml");
        const QByteArray contents[] = {"<Settings><broken>", "not XML at all"};
        const QString kept[] = {file + ".unreadable", file + ".unreadable.1"};
        for (int round = 0; round < 2; ++round) {
            folder.WriteFile("prefs.xml", contents[round]);
            TVxSettingsXMLFileRepository repository;
            repository.SetOnLoadError(&VxSetAsideUnreadableSettingsFile);
            repository.SetFileName(file);
            QVERIFY(repository.Modified());
            QVERIFY(!QFile::exists(file));
            QCOMPARE(ReadWholeFile(kept[round]), contents[round]);
            const QList<TArLoggableMessageData> messages = LyMemoryLog()->Messages();
            QVERIFY(!messages.isEmpty());
            const TArLoggableMessageData warning = messages.constLast();
            QCOMPARE(warning.MessageType, mtWarning);
            QCOMPARE(warning.Channel, QString("System"));
            QVERIFY2(warning.Text.contains("[" + file + "]") &&
                         warning.Text.contains("[" + kept[round] + "]"),
                     qPrintable(warning.Text));
            repository.Save();
            QVERIFY(ReadWholeFile(file).contains("<Settings>"));
        }
        QCOMPARE(ReadWholeFile(kept[0]), contents[0]);
    }

    // A new file in a new folder holds the stored object, duplicate items kept (the layout is
    // the settings store tests' golden file); an unreadable file is set aside by the factory's
    // handler.
    void createXMLFileSettings() {
        TLyTempFolder folder;
        const QString file = folder.FilePath("new/nested/prefs.xml");
        {
            std::unique_ptr<TVxSettings> settings = CreateXMLFileSettings(file, "Options", true);
            TStringList list;
            list.SetStrings({"same", "same"});
            settings->WriteObject("", &list);
        }
        TStringList read;
        CreateXMLFileSettings(file, "Options", true)->ReadObject("", &read);
        QCOMPARE(read.Strings(), QStringList({"same", "same"}));

        folder.WriteFile("new/nested/prefs.xml", "garbage");
        auto settings = CreateXMLFileSettings(file, "Options", true);
        QCOMPARE(ReadWholeFile(file + ".unreadable"), QByteArray("garbage"));
        QVERIFY(settings->Repositories().Find("Options")->Modified());
    }

    // A save that cannot complete raises, names the file and leaves the old file as it was.
    void saveFailure() {
        TLyTempFolder folder;
        const QString blocked = folder.WriteFile("blocker", "a file") + "/prefs.xml";
        QString message;
        LY_EXPECT_EXCEPTION(EVxSettingsXMLException, Open(blocked)->Save(), message);
        QVERIFY2(message.startsWith("Cannot save settings file [" + blocked + "]: "),
                 qPrintable(message));

        const QByteArray old = "<Settings><Old>1</Old></Settings>";
        const QString file = folder.WriteFile("prefs.xml", old);
        auto repository = Open(file);
        repository->WriteValue("Options.Big", QString(8192, 'x'));
        {
            const TLyFileSizeLimit limit(1024); // the disk fills while the save runs
            LY_EXPECT_EXCEPTION(EVxSettingsXMLException, repository->Save(), message);
        }
        QVERIFY2(message.contains(file), qPrintable(message));
        QCOMPARE(ReadWholeFile(file), old);
        QCOMPARE(LyFolderFiles(folder.Path()), QStringList({"blocker", "prefs.xml"}));
    }

    // Stores go through a temporary file of a fixed name: what a killed store leaves is taken
    // over by the next one, an abandoned store leaves the target alone, and the target keeps its
    // permissions and symbolic link.
    void saveFileLeavesOnlyTheTarget() {
        const TLyTempFolder folder;
        const QString target = folder.WriteFile(QStringLiteral("file.xml"), "old");
        // An abandoned store leaves the target alone.
        {
            TVxSaveFile file(target);
            QVERIFY(file.Open() && file.Write(QByteArray(100000, 'y')));
        }
        QCOMPARE(ReadWholeFile(target), QByteArray("old"));
        QCOMPARE(LyFolderFiles(folder.Path()), QStringList{QStringLiteral("file.xml")});
        // What a store killed half-way leaves is taken over: longer than what comes next, so a
        // reuse that did not empty it would show.
        folder.WriteFile(QFileInfo(TVxSaveFile::TemporaryName(target)).fileName(),
                         QByteArray(4096, 'x'));
        QVERIFY(Store(target, "new"));
        QCOMPARE(ReadWholeFile(target), QByteArray("new"));
        QCOMPARE(LyFolderFiles(folder.Path()), QStringList{QStringLiteral("file.xml")});
        // A store that cannot begin names its temporary file.
        const QString missing = folder.FilePath(QStringLiteral("missing/file.xml"));
        TVxSaveFile file(missing);
        QVERIFY(!file.Open());
        QVERIFY2(file.ErrorString().contains(TVxSaveFile::TemporaryName(missing)),
                 qPrintable(file.ErrorString()));
        QVERIFY(!QFileInfo::exists(missing));
    }

    void targetKeepsPermissionsAndLink() {
        const TLyTempFolder folder;
        const QString real = folder.WriteFile(QStringLiteral("real.xml"), "old");
        QVERIFY(QFile::setPermissions(real, QFile::ReadOwner | QFile::WriteOwner));
        const QString link = folder.FilePath(QStringLiteral("link.xml"));
        QVERIFY(QFile::link(real, link));
        QVERIFY(Store(link, "new"));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(ReadWholeFile(real), QByteArray("new"));
        const QFile::Permissions ownerGroupOthers(0xF0FF); // not the current user's
        QCOMPARE(QFile::permissions(real) & ownerGroupOthers, QFile::ReadOwner | QFile::WriteOwner);
    }
    void layout() {
        TLyTempFolder folder;
        const QString file = folder.FilePath("prefs.xml");
        auto repository = Open(file);
        repository->Save();
        QCOMPARE(ReadWholeFile(file), QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                                                 "<Settings>\r\n</Settings>\r\n"));

        repository->WriteValue("Options.Name", 1); // typed, then rewritten without a type
        repository->SetWriteTypes(false);
        repository->WriteValue("Options.Name", QString("a&b<c>\"d"));
        repository->WriteValue("Options.Empty", QString(""));
        repository->WriteValue("Options.Mixed", QString("m"));
        repository->WriteValue("Options.Mixed.Child", 1);
        repository->SetWriteTypes(true);
        repository->WriteValue("Options.Typed", 7);
        repository->Save();
        const QByteArray expected = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                                    "<Settings>\r\n"
                                    "  <Options>\r\n"
                                    "    <Name>a&amp;b&lt;c&gt;\"d</Name>\r\n"
                                    "    <Empty/>\r\n"
                                    "    <Mixed>m\r\n"
                                    "      <Child>1</Child>\r\n"
                                    "    </Mixed>\r\n"
                                    "    <Typed type=\"integer\">7</Typed>\r\n"
                                    "  </Options>\r\n"
                                    "</Settings>\r\n";
        QCOMPARE(ReadWholeFile(file), expected);

        // What was read is written back unchanged (the text before children keeps no layout); a
        // comment goes on a line of its own.
        repository = Open(file);
        repository->Document()
            .document_element()
            .child("Options")
            .prepend_child(pugi::node_comment)
            .set_value(" note ");
        const QByteArray commented =
            QByteArray(expected).replace("    <Name>", "    <!-- note -->\r\n    <Name>");
        QCOMPARE(ReadText(*repository, "Options.Mixed"), QString("m"));
        QVERIFY(QFile::remove(file));
        repository->Save();
        QCOMPARE(ReadWholeFile(file), commented);
    }
    void readConversion_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<TVxSettingsValueType>("type");
        QTest::addColumn<QVariant>("expected"); // invalid: refused with the error
        QTest::addColumn<QString>("error");
        const auto row = [](const char* name, const QByteArray& text, TVxSettingsValueType type,
                            const QVariant& expected, const QString& error = {}) {
            QTest::newRow(name) << text << type << expected << error;
        };
        const auto at = [](const QTime& time) {
            return QDateTime(QDate(2024, 2, 29), time, Qt::UTC);
        };
        const QString toInteger = QStringLiteral("Cannot convert value [%1] to integer");
        row("bool no", " no", svtBoolean, false);
        row("bool other", "maybe", svtBoolean, {}, "Cannot convert value to bool");
        row("bool empty", "", svtBoolean, {}, "Cannot convert value to bool");
        row("float comma", "1,5", svtFloat, 1.5);
        row("float bad", "1.2.3", svtFloat, {}, "Cannot convert value to float");
        row("integer bad", "12x", svtInteger, {}, toInteger.arg("12x"));
        row("integer at its maximum", "2147483647", svtInteger, 2147483647);
        row("integer too large", "3000000000", svtInteger, {}, toInteger.arg("3000000000"));
        row("bigint", "3000000000", svtBigint, qlonglong(3000000000));
        row("date no such day", "2023-02-29", svtDate, {},
            "Cannot convert value [2023-02-29] to date");
        row("date short time", "2024-02-29 13:05", svtDate, at(QTime(13, 5)));
        row("date, fraction past milliseconds", "2024-02-29T13:05:09.0071Z", svtDate,
            at(QTime(13, 5, 9, 7)));
        row("stored type other", "x", svtNull, {}, "Unrecognized data type [array]");
    }

    void readConversion() {
        QFETCH(QByteArray, text);
        QFETCH(TVxSettingsValueType, type);
        QFETCH(QVariant, expected);
        QFETCH(QString, error);
        TVxSettingsXMLFileRepository repository;
        repository.WriteValue("Value", text);
        repository.Document().document_element().child("Value").attribute("type") = "array";
        if (error.isEmpty()) {
            QCOMPARE(repository.ReadValue("Value", type), expected);
            return;
        }
        QString message;
        LY_EXPECT_EXCEPTION(EVxSettingsXMLException, repository.ReadValue("Value", type), message);
        QCOMPARE(message, error);
    }
    // The markup the XML readers refuse before parsing: what is refused, where, and what valid
    // documents hold that must pass (a false refusal would lock a user out of a good file).
    void findUnsupported_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qint64>("offset");

        QTest::newRow("predefined entities")
            << QByteArray("<a b=\"&quot;&apos;\">&amp;&lt;&gt;</a>") << qint64(-1);
        QTest::newRow("character references")
            << QByteArray("<a>&#65;&#x41;&#x10FFFF;&#1;&#x0000041;&#xFFFE;</a>") << qint64(-1);
        QTest::newRow("ampersands in sections")
            << QByteArray("<?pi a&b?><a><![CDATA[&x; &#0;]]><!-- &nbsp; --></a>") << qint64(-1);
        QTest::newRow("processing instruction inside a section")
            << QByteArray("<a><![CDATA[<?x?> &bad;]]></a>") << qint64(-1);
        QTest::newRow("external DOCTYPE with a query in its URL")
            << QByteArray(
                   "<?xml version=\"1.0\"?>\n<!-- c -->\n<!DOCTYPE plist PUBLIC \"-//A[1]//EN\" "
                   "'http://x/p.dtd?a=1&b=[2]'>\n<plist/>")
            << qint64(-1);
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF<a>&amp;</a>") << qint64(-1);

        QTest::newRow("internal subset")
            << QByteArray("<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>") << qint64(12);
        QTest::newRow("internal subset after stray text")
            << QByteArray("<?xml version=\"1.0\"?>x<!DOCTYPE a [<!ENTITY e \"x\">]><a/>")
            << qint64(34);
        QTest::newRow("internal subset in a comment")
            << QByteArray("<!-- <!DOCTYPE a [ --><a/>") << qint64(-1);
        QTest::newRow("undefined entity") << QByteArray("<a>x&nbsp;</a>") << qint64(4);
        QTest::newRow("bare ampersand") << QByteArray("<a>AT&T</a>") << qint64(5);
        QTest::newRow("in an attribute") << QByteArray("<a b=\"&e;\"/>") << qint64(6);
        QTest::newRow("after a closed section")
            << QByteArray("<a><![CDATA[&]]>&x;</a>") << qint64(16);
        QTest::newRow("NUL") << QByteArray("<a>&#0;</a>") << qint64(3);
        QTest::newRow("surrogate") << QByteArray("<a>&#xDC00;</a>") << qint64(3);
        QTest::newRow("past U+10FFFF") << QByteArray("<a>&#x110000;</a>") << qint64(3);
        QTest::newRow("huge number") << QByteArray("<a>&#99999999999999999999;</a>") << qint64(3);
        QTest::newRow("no digits") << QByteArray("<a>&#;&#x;</a>") << qint64(3);
        QTest::newRow("unterminated") << QByteArray("<a>&#65") << qint64(3);
    }

    void findUnsupported() {
        QFETCH(QByteArray, text);
        QFETCH(qint64, offset);
        QString problem;
        QCOMPARE(VxFindUnsupportedXml(text.constData(), text.size(), &problem), offset);
        QCOMPARE(problem.isEmpty(), offset < 0);
    }
};

QTEST_GUILESS_MAIN(TestVxSettingsXML)
#include "tst_VxSettingsXML.moc"
