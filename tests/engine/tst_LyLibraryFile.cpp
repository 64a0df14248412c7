// Library files: loading and saving keep every node, the readable layout, the text written in
// stretches on several threads, location URLs and dates, reading and writing back track values,
// bad input, large values, cancelling and failed saves; file sizes and the background
// file-existence cache.
#include "LibraryBuilders.h"
#include "LyLibraryFile.h"
#include "LyLibraryWriter.h"
#include "LyProcessRecorder.h"
#include "LyTestSupport.h"
#include "LyUtils.h"
#include "SongBuilders.h"
#include "VxThreads.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>

#include <atomic>
#include <functional>
#include <optional>
#include <sstream>

namespace {

constexpr unsigned kReferenceParse = pugi::parse_default | pugi::parse_declaration |
                                     pugi::parse_doctype | pugi::parse_comments | pugi::parse_pi |
                                     pugi::parse_ws_pcdata_single;

// The tree of `xml` parsed independently of the loader, printed raw: node kinds, names,
// values, attributes and order, whatever the layout and escapes.
QByteArray Tree(const QByteArray& xml) {
    pugi::xml_document document;
    if (!document.load_buffer(xml.constData(), size_t(xml.size()), kReferenceParse,
                              pugi::encoding_utf8))
        return "not well-formed: " + xml;
    std::ostringstream text;
    document.save(text, "", pugi::format_raw | pugi::format_no_declaration);
    return QByteArray::fromStdString(text.str());
}

// The dictionary of the first track.
TLySongProperties::TNode FirstTrack(TLyLibraryDocument& document) {
    return document.Xml()
        .document_element()
        .child("dict")
        .child("dict")
        .child("dict")
        .internal_object();
}

// The element children of a dictionary as "name:text".
QStringList Pairs(TLySongProperties::TNode dict) {
    QStringList pairs;
    for (pugi::xml_node node : pugi::xml_node(dict).children())
        pairs << QString::fromUtf8(node.name()) + u':' + QString::fromUtf8(node.child_value());
    return pairs;
}

std::unique_ptr<TLySongPropertiesMap> ReadMap(TLyLibraryDocument& document) {
    TLyLibraryOptions library;
    TLyCompareOptions options;
    options.SetExactMatch();
    return ReadLibrary(document, library, options, nullptr, nullptr);
}

// Remembers the highest position a sub task reported. Given a process, cancels its run when a
// sub task first reports `CancelAt` or more: on the main thread while the worker waits, so at a
// known point of the work, never after it ended.
class TProgress : public TLyProcessListener {
public:
    int Position = 0;
    TLyProcess* Cancelling = nullptr;
    int CancelAt = 1;
    void TaskProgressed(ILyProcessTask* task) override {
        if (task->IsMainTask())
            return;
        Position = std::max(Position, task->Position());
        if (Cancelling && Position >= CancelAt)
            std::exchange(Cancelling, nullptr)->Cancel();
    }
};

QByteArray Repeated(int count, const QByteArray& item) {
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += item;
    return text;
}

// A plist whose top dictionary holds `wide`.
QByteArray Plist(const QByteArray& wide) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n" + wide +
           "</dict>\n</plist>\n";
}

// The text of a single walk of the document.
QByteArray Text(const pugi::xml_document& document, bool byteOrderMark) {
    QByteArray text;
    WriteLibraryXml(document, byteOrderMark,
                    [&](const char* data, qsizetype size) { text.append(data, size); });
    return text;
}

const QString kBigLibrary = QStringLiteral("big.xml");

// Every entry of a map as one line: key, primary flag, values, location and element.
QStringList Entries(const TLySongPropertiesMap& map) {
    QStringList entries;
    map.Iterate([&](const QString& key, TLySongProperties* p) {
        entries << QStringList{key,
                               p->Key(),
                               QString::number(p->Primary()),
                               p->Name(),
                               p->Artist(),
                               p->Album(),
                               p->Genre(),
                               QString::number(p->PlayCount()),
                               QString::number(p->Rating()),
                               QString::number(p->LastPlayed(), 'f', 8),
                               p->Location(),
                               QString::number(p->TrackKind()),
                               QString::number(quintptr(p->Node()))}
                       .join(u'|');
        return true;
    });
    entries.sort();
    return entries;
}

class TCountingFileListener : public ILyFileStatusListener {
public:
    int Changes = 0;
    void FileStatusChanged() override { ++Changes; }
};

// Asks for `Name` whenever told, as a list repaints; raises once when told to.
class TAskingFileListener : public ILyFileStatusListener {
public:
    TLyFileStatusCalculator* Calculator = nullptr;
    QString Name;
    tLyFileStatus Status = fsUnknown;
    int Changes = 0;
    bool RaiseOnce = false;
    void FileStatusChanged() override {
        ++Changes;
        Status = Calculator->GetStatus(Name);
        if (std::exchange(RaiseOnce, false))
            throw Exception(QStringLiteral("Cannot repaint"));
    }
};

} // namespace

Q_DECLARE_METATYPE(TLyLibraryTrack)

class TestLyLibraryFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        VxThreadsStartup();
        // About 60 MB: parsing it takes long enough to be cancelled in the middle.
        FFolder.WriteFile(kBigLibrary, MakeLargeLibraryXml(40000));
    }

    void cleanupTestCase() { VxThreadsShutdown(); }

    void savedTreeEqualsLoadedTree_data() {
        QTest::addColumn<QByteArray>("xml");
        const QByteArray odd =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
            "\"http://x/PropertyList.dtd\">\n"
            "<!-- exported -->\n<?app-info build=\"7\"?>\n"
            "<plist version=\"1.0\" note=\"a &quot;b&quot; &amp; c&#10;d&#9;e\">\n<dict>\n"
            "\t<key>Tracks</key>\n\t<dict>\n\t\t<key>1</key>\n\t\t<dict>\n"
            "\t\t\t<key>Name</key><string>Tom &amp; Jerry &lt;live&gt; &#13;x</string>\n"
            "\t\t\t<key>Artist</key><string>Mot\xC3\xB6rhead \xDF\xBF \xE6\x97\xA5 "
            "&#x1F600;</string>\n"
            "\t\t\t<key>Genre</key><string> </string>\n"
            "\t\t\t<key>Album</key><string></string>\n"
            "\t\t\t<key>Comments</key><string>line one\nline two\tend</string>\n"
            "\t\t\t<key>Grouping</key><string><![CDATA[a <b> ]]]]><![CDATA[> c]]></string>\n"
            "\t\t\t<key>Mixed</key><data>abc<!--x-->def<i>g</i> </data>\n"
            "\t\t\t<key>Disabled</key><true/>\n"
            "\t\t</dict>\n\t</dict>\n</dict>\n</plist>\n<!-- trailer -->\n";
        QTest::newRow("odd nodes and texts") << odd;
        QTest::newRow("byte-order mark") << "\xEF\xBB\xBF" + odd;
        QTest::newRow("exported library")
            << MakeLibraryXml({MakeLibraryTrack(1), MakeLibraryTrack(2), MakeLibraryTrack(3)});
    }

    void savedTreeEqualsLoadedTree() {
        QFETCH(QByteArray, xml);
        TLyTempFolder folder;
        auto document = LoadLibraryDocument(folder.WriteFile("in.xml", xml), nullptr, nullptr);
        const QString output = folder.FilePath("out.xml");
        SaveLibraryDocument(*document, output, nullptr, nullptr, 0);
        const QByteArray saved = ReadWholeFile(output);
        QCOMPARE(Tree(saved), Tree(xml));
        QCOMPARE(saved.startsWith("\xEF\xBB\xBF"), xml.startsWith("\xEF\xBB\xBF"));
        // Saving what was saved changes nothing more.
        auto again = LoadLibraryDocument(output, nullptr, nullptr);
        SaveLibraryDocument(*again, output, nullptr, nullptr, 0);
        QCOMPARE(ReadWholeFile(output), saved);
    }

    void readAgainGivesTheSameMap_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("shortened");
        QTest::newRow("exact") << int(scmExactMatch) << false;
        QTest::newRow("alphanumeric, shortened keys") << int(scmAlphanumericMatch) << true;
        QTest::newRow("phonetic, shortened keys") << int(scmPhoneticMatch) << true;
    }

    void readAgainGivesTheSameMap() {
        // The first read keeps the tracks; the second takes them from there and must build the very
        // map a read of the elements builds, duplicates and empty parts included.
        QFETCH(int, mode);
        QFETCH(bool, shortened);
        TLyTempFolder folder;
        QList<TLyLibraryTrack> tracks;
        for (int i = 1; i <= 40; ++i)
            tracks << MakeLibraryTrack(i);
        tracks << MakeLibraryTrack(7) << MakeLibraryTrack(8); // the same songs again
        tracks[3].removeIf([](const TLyLibraryPair& pair) { return pair.Key == u"Artist"; });
        const QString path = folder.WriteFile("library.xml", MakeLibraryXml(tracks));
        TLyCompareOptions options;
        options.SetMode(tLySongCompareMode(mode));
        options.SetComponents({sccTitle, sccArtist, sccAlbum, sccGenre});
        options.SetCanBeEmpty(shortened ? tLySongCompareComponentSet{sccArtist, sccAlbum, sccGenre}
                                        : tLySongCompareComponentSet{});
        TLyLibraryOptions library;
        std::unique_ptr<TLyLibraryDocument> document = LoadLibraryDocument(path, nullptr, nullptr);
        const QStringList first =
            Entries(*ReadLibrary(*document, library, options, nullptr, nullptr));
        QVERIFY(document->HasReadTracks());
        QCOMPARE(Entries(*ReadLibrary(*document, library, options, nullptr, nullptr)), first);
        const bool anyShortened =
            std::any_of(first.cbegin(), first.cend(),
                        [](const QString& entry) { return entry.section(u'|', 2, 2) == u"0"; });
        QCOMPARE(anyShortened, shortened);
        document->ForgetReadTracks();
        QCOMPARE(Entries(*ReadLibrary(*document, library, options, nullptr, nullptr)), first);
    }

    // The text of a library is cut into stretches built on several threads: written one after
    // another, and saved through the threads, they give the text of a single walk.
    void writtenInStretches_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<bool>("cut"); // whether the text can be cut at all
        const QByteArray track = "<dict><key>Name</key><string>A &amp; B</string></dict>\n";
        QTest::newRow("library") << MakeLargeLibraryXml(3000) << true;
        QTest::newRow("byte-order mark") << "\xEF\xBB\xBF" + MakeLargeLibraryXml(2500) << true;
        QTest::newRow("comments and instructions among the tracks")
            << Plist("<key>Tracks</key><dict>\n" +
                     Repeated(1500, "<key>1</key>" + track + "<!-- c -->\n<?pi x?>\n") +
                     "</dict>\n")
            << true;
        QTest::newRow("tracks at the top level")
            << "<?xml version=\"1.0\"?>\n<plist>\n" + Repeated(3000, track) + "</plist>\n"
            << true;
        QTest::newRow("empty and whitespace values, deep playlists after the tracks")
            << Plist(
                   "<key>Tracks</key><dict>\n" +
                   Repeated(2100, "<key>1</key><dict><key>Genre</key><string> </string>"
                                  "<key>Album</key><string></string></dict>\n") +
                   "</dict><key>Playlists</key><array><dict><array><dict><array><string>x</string>"
                   "</array></dict></array></dict></array>\n")
            << true;
        QTest::newRow("widest element holds text")
            << Plist("<key>Tracks</key><array>text " + Repeated(3000, "<string>x</string>") +
                     "</array>\n")
            << false;
        QTest::newRow("an element above it holds text")
            << Plist("<key>Tracks</key>loose text<array>" + Repeated(3000, "<string>x</string>") +
                     "</array>\n")
            << false;
        QTest::newRow("widest element deeper than three levels")
            << Plist("<key>A</key><array><array>" + Repeated(3000, "<string>x</string>") +
                     "</array></array>\n")
            << false;
        QTest::newRow("few tracks") << MakeLargeLibraryXml(20) << false;
    }

    void writtenInStretches() {
        QFETCH(QByteArray, xml);
        QFETCH(bool, cut);
        TLyTempFolder folder;
        auto document = LoadLibraryDocument(folder.WriteFile("in.xml", xml), nullptr, nullptr);
        const bool mark = document->HasByteOrderMark();
        const QByteArray whole = Text(document->Xml(), mark);
        QVERIFY(whole.size() > 100);
        for (const int count : {1, 2, 3, 7, 64}) {
            const std::vector<TLyXmlStretch> stretches =
                SplitLibraryXml(document->Xml(), mark, count);
            QVERIFY(stretches.size() <= size_t(count));
            QVERIFY2(stretches.size() == 1 || cut, qPrintable(QString::number(count)));
            QVERIFY2(stretches.size() > 1 || !cut || count == 1,
                     qPrintable(QString::number(count)));
            QByteArray joined;
            for (const TLyXmlStretch& stretch : stretches)
                WriteLibraryXmlStretch(
                    stretch, [&](const char* data, qsizetype size) { joined.append(data, size); });
            QVERIFY2(joined == whole, qPrintable(QStringLiteral("%1 stretches").arg(count)));
        }
        SaveLibraryDocument(*document, folder.FilePath("out.xml"), nullptr, nullptr, 0);
        QVERIFY(ReadWholeFile(folder.FilePath("out.xml")) == whole);
    }

    void locationToPath_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("path");
        const auto row = [](const char* name, const QString& url, const QString& path) {
            QTest::newRow(name) << url << path;
        };
        row("drive", "file://localhost/C:/Music/My%20Song.mp3", "C:\\Music\\My Song.mp3");
        row("network", "file://localhost//server/share/a.mp3", "\\\\server\\share\\a.mp3");
        row("posix", "file://localhost/Users/x/a.mp3", "/Users/x/a.mp3");
        row("no host", "file:///Users/x/a%20b.mp3", "/Users/x/a b.mp3");
        row("no host, first drive letter", "file:///A:/a.mp3", "A:\\a.mp3");
        row("scheme in capitals, last drive letter", "FILE://LOCALHOST/Z:/a.mp3", "Z:\\a.mp3");
        row("plus", "file://localhost/C:/a%2Bb.mp3", "C:\\a+b.mp3");
        row("UTF-8 accent", "file:///M/Caf%C3%A9.mp3", "/M/Caf\u00e9.mp3");
        row("decomposed stays decomposed", "file:///M/e%CC%81.mp3", "/M/e\u0301.mp3");
        row("decoded once", "file:///M/a%252Fb.mp3", "/M/a%2Fb.mp3");
        row("escaped slash stays a slash", "file:///C:/a%2Fb.mp3", "C:\\a/b.mp3");
        row("not UTF-8: kept", "file:///M/Caf%E9.mp3", "/M/Caf%E9.mp3");
        row("broken escapes", "file:///M/100%25%2", "/M/100%%2");
        row("other scheme", "http://host/a%20b.mp3", "http://host/a b.mp3");
        row("host without a path", "file://localhost/", "file://localhost/");
        row("only the slash", "file:///", "file:///");
        row("drive without a path", "file:///C:", "/C:");
        row("other host", "file://server/a.mp3", "file://server/a.mp3");
        row("host glued to the path", "file://localhostC:/a.mp3", "file://localhostC:/a.mp3");
        // Caseless matching takes the long s for an s and the Kelvin sign for a k.
        row("long s in the host", "file://localho\u017Ft/C:/a.mp3", "C:\\a.mp3");
        row("Kelvin sign as the drive", "file:///\u212A:/a.mp3", "\u212A:\\a.mp3");
        row("accent in the drive place", "file:///\u00e9:/a.mp3", "/\u00e9:/a.mp3");
    }

    void locationToPath() {
        QFETCH(QString, url);
        QFETCH(QString, path);
        QCOMPARE(LocationToPath(url), path);
    }

    void writeBack_data() {
        QTest::addColumn<TLyLibraryTrack>("track");
        QTest::addColumn<QStringList>("texts");  // name, artist, album, genre to write
        QTest::addColumn<QList<int>>("numbers"); // rating, play count
        QTest::addColumn<double>("lastPlayed");
        QTest::addColumn<QStringList>("pairs");
        const double played = EncodeDateTime(2006, 2, 18, 20, 37, 11);
        QTest::newRow("missing keys are appended in order")
            << TLyLibraryTrack{{"Track ID", "integer", "1"}, {"Name", "string", "N"}}
            << QStringList{"N", "Ar", "Al", "G"} << QList<int>{60, 2} << played
            << QStringList{
                   "key:Track ID",   "integer:1", "key:Name",          "string:N",
                   "key:Artist",     "string:Ar", "key:Album",         "string:Al",
                   "key:Genre",      "string:G",  "key:Rating",        "integer:60",
                   "key:Play Count", "integer:2", "key:Play Date UTC", "date:2006-02-18T20:37:11Z"};
        QTest::newRow("rating 0 is written into an existing key")
            << TLyLibraryTrack{{"Name", "string", "N"}, {"Rating", "integer", "80"}}
            << QStringList{"N", "", "", ""} << QList<int>{0, 0} << 0.0
            << QStringList{"key:Name", "string:N", "key:Rating", "integer:0"};
        QTest::newRow("a Name of Genre is not taken for the key")
            << TLyLibraryTrack{{"Name", "string", "Genre"}, {"Genre", "string", "Pop"}}
            << QStringList{"Genre", "", "", "Jazz"} << QList<int>{0, 0} << 0.0
            << QStringList{"key:Name", "string:Genre", "key:Genre", "string:Jazz"};
        QTest::newRow("dates in whole seconds, value elements keep their names")
            << TLyLibraryTrack{{"play date utc", "date", "2006-02-18T20:37:11.000Z"},
                               {"Artist", "data", "x"}}
            << QStringList{"", "y", "", ""} << QList<int>{0, 0} << played
            << QStringList{"key:play date utc", "date:2006-02-18T20:37:11Z", "key:Artist",
                           "data:y"};
        QTest::newRow("never played removes the play date")
            << TLyLibraryTrack{{"Play Date UTC", "date", "2006-02-18T20:37:11Z"},
                               {"Play Count", "integer", "3"}}
            << QStringList{"", "", "", ""} << QList<int>{0, 0} << 0.0
            << QStringList{"key:Play Count", "integer:0"};
        QTest::newRow("empty values are not appended, whitespace is")
            << TLyLibraryTrack{{"Name", "string", "N"}} << QStringList{"N", "", "", " "}
            << QList<int>{0, 0} << 0.0
            << QStringList{"key:Name", "string:N", "key:Genre", "string: "};
        QTest::newRow("a value cut to a prefix of itself")
            << TLyLibraryTrack{{"Name", "string", "Song 2"}, {"Play Count", "integer", "12"}}
            << QStringList{"Song", "", "", ""} << QList<int>{0, 1} << 0.0
            << QStringList{"key:Name", "string:Song", "key:Play Count", "integer:1"};
        QTest::newRow("appended before a key without a value")
            << TLyLibraryTrack{{"Name", "string", "N"}, {"", "key", "Orphan"}}
            << QStringList{"N", "A", "", ""} << QList<int>{0, 0} << 0.0
            << QStringList{"key:Name", "string:N", "key:Artist", "string:A", "key:Orphan"};
    }

    void writeBack() {
        QFETCH(TLyLibraryTrack, track);
        QFETCH(QStringList, texts);
        QFETCH(QList<int>, numbers);
        QFETCH(double, lastPlayed);
        QFETCH(QStringList, pairs);
        TLyTempFolder folder;
        auto document = LoadLibraryDocument(folder.WriteFile("in.xml", MakeLibraryXml({track})),
                                            nullptr, nullptr);
        TLySongProperties properties;
        ReadFromDictionary(properties, FirstTrack(*document));
        properties.SetName(texts[0]);
        properties.SetArtist(texts[1]);
        properties.SetAlbum(texts[2]);
        properties.SetGenre(texts[3]);
        properties.SetRating(numbers[0]);
        properties.SetPlayCount(numbers[1]);
        properties.SetLastPlayed(lastPlayed);
        WriteToDictionary(properties);
        QCOMPARE(Pairs(FirstTrack(*document)), pairs);

        // What was written reads back as the values that were written.
        SaveLibraryDocument(*document, folder.FilePath("out.xml"), nullptr, nullptr, 0);
        auto stored = LoadLibraryDocument(folder.FilePath("out.xml"), nullptr, nullptr);
        TLySongProperties reread;
        ReadFromDictionary(reread, FirstTrack(*stored));
        QVERIFY(reread.Equals(properties));
    }

    void badInputNamesTheFile_data() {
        QTest::addColumn<QString>("kind"); // "file", "missing" or "folder"
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("message");
        const QByteArray valid = MakeLibraryXml({MakeLibraryTrack(1)});
        const auto withValue = [&](const QByteArray& from, const QByteArray& to) {
            QByteArray xml = valid;
            return xml.replace(from, to);
        };
        const auto row = [](const char* name, const QString& kind, const QByteArray& xml,
                            const QString& message) {
            QTest::newRow(name) << kind << xml << message;
        };
        row("missing", "missing", QByteArray(), "does not exist");
        row("folder", "folder", QByteArray(), "is a folder");
        row("empty", "file", QByteArray(), "is empty");
        row("not XML", "file", QByteArray("hello, world"), "not well-formed XML");
        row("truncated", "file", valid.left(valid.size() / 2), "not well-formed XML");
        row("no track dictionary", "file",
            QByteArray("<plist><dict><key>Tracks</key><array/></dict></plist>"),
            "Invalid iTunes Library Format");
        row("no top dictionary", "file", QByteArray("<plist><array/></plist>"),
            "Invalid iTunes Library Format");
        row("rating abc", "file", withValue("<integer>20</integer>", "<integer>abc</integer>"),
            "track 1 of library file");
        row("rating of a sign alone", "file", withValue("<integer>20<", "<integer> +<"),
            "[ +] is not a whole number for [Rating]");
        row("play count out of range", "file",
            withValue("<integer>1</integer>\n\t\t\t<key>Play Date",
                      "<integer>99999999999</integer>\n\t\t\t<key>Play Date"),
            "[99999999999] is not a whole number for [Play Count]");
        row("play date month 13", "file", withValue("2006-02-18T20:37:11Z", "2006-13-45T00:00:00Z"),
            "[2006-13-45T00:00:00Z] is not a date for [Play Date UTC]");
        const qsizetype song = valid.indexOf("Song 1");
        row("invalid UTF-8", "file", withValue("Song 1<", "Song \xC3\x28<"),
            QStringLiteral("not valid UTF-8 text (byte %1)").arg(song + 5));
        row("overlong form", "file", withValue("Song 1<", "Song \xC0\xAF<"),
            QStringLiteral("(byte %1)").arg(song + 5));
        row("surrogate", "file", withValue("Song 1<", "Song \xED\xA0\x80<"),
            QStringLiteral("(byte %1)").arg(song + 5));
        row("continuation byte leading four", "file",
            withValue("Song 1<", "Song \x80\x80\x80\x80<"),
            QStringLiteral("(byte %1)").arg(song + 5));
        row("cut at the end", "file", valid + "\xE2\x82", "not valid UTF-8 text");
        row("NUL byte", "file", withValue("Song 1<", QByteArray("Song \0<", 7)),
            QStringLiteral("(byte %1)").arg(song + 5));
        row("UTF-16", "file", QByteArray("\xFF\xFE<\0p\0/\0>\0", 10),
            "not valid UTF-8 text (byte 0)");
    }

    void badInputNamesTheFile() {
        QFETCH(QString, kind);
        QFETCH(QByteArray, xml);
        QFETCH(QString, message);
        TLyTempFolder folder;
        QString fileName = folder.FilePath("library.xml");
        if (kind == "file")
            folder.WriteFile("library.xml", xml);
        else if (kind == "folder")
            QVERIFY(QDir(folder.Path()).mkdir("library.xml"));
        QString error;
        LY_EXPECT_EXCEPTION(ELyProjectError,
                            ReadMap(*LoadLibraryDocument(fileName, nullptr, nullptr)), error);
        QVERIFY2(error.contains("[" + fileName + "]"), qPrintable(error));
        QVERIFY2(error.contains(message), qPrintable(error));
    }

    void hugeValueLoadsAndSaves() {
        TLyTempFolder folder;
        QByteArray name(100 * 1024 * 1024, 'a');
        name.replace(0, 5, "&amp;");
        auto document = LoadLibraryDocument(
            folder.WriteFile("in.xml",
                             MakeLibraryXml({{{"Name", "string", QString()}}})
                                 .replace("<string></string>", "<string>" + name + "</string>")),
            nullptr, nullptr);
        name.clear();
        TLySongProperties properties;
        ReadFromDictionary(properties, FirstTrack(*document));
        QCOMPARE(properties.Name().size(), 100 * 1024 * 1024 - 4);
        QVERIFY(properties.Name().startsWith(QStringLiteral("&aaa")));
        SaveLibraryDocument(*document, folder.FilePath("out.xml"), nullptr, nullptr, 0);
        document.reset();
        QVERIFY(ReadWholeFile(folder.FilePath("out.xml"))
                    .contains("        <key>Name</key>\r\n        <string>&amp;aaaa"));
    }

    void cancelLoad_data() {
        QTest::addColumn<bool>("afterReading");
        QTest::newRow("while reading") << false;
        QTest::newRow("while parsing") << true; // everything read: the parse notices the cancel
    }

    void cancelLoad() {
        QFETCH(bool, afterReading);
        const QString fileName = FFolder.FilePath(kBigLibrary);
        const int size = int(QFileInfo(fileName).size());
        const int position =
            RunCancelled(afterReading ? size : 1, [&](ILyProcessTask* main, TLyProcess* process) {
                LoadLibraryDocument(fileName, main, process);
            });
        QVERIFY(position > 0);
        QVERIFY(afterReading ? position == size : position < size);
    }

    void cancelWhileTheSongMapIsBuilt() {
        auto document = LoadLibraryDocument(FFolder.FilePath(kBigLibrary), nullptr, nullptr);
        ReadMap(*document); // the tracks are kept: the next read only builds the map
        QVERIFY(RunCancelled(1, [&](ILyProcessTask* main, TLyProcess* process) {
                    TLyLibraryOptions library;
                    ReadLibrary(*document, library, TLyCompareOptions(), main, process);
                }) > 0);
    }

    void cancelSaveKeepsTheOldFile() {
        const QString output = FFolder.FilePath("out/old.xml");
        FFolder.WriteFile("out/old.xml", "old");
        auto document = LoadLibraryDocument(FFolder.FilePath(kBigLibrary), nullptr, nullptr);
        QVERIFY(RunCancelled(1, [&](ILyProcessTask* main, TLyProcess* process) {
                    SaveLibraryDocument(*document, output, main, process, 60 * 1024 * 1024);
                }) > 0);
        QCOMPARE(ReadWholeFile(output), QByteArray("old"));
        QCOMPARE(QDir(FFolder.FilePath("out")).entryList(QDir::Files), QStringList{"old.xml"});
    }

    void failedSaveKeepsTheOldFile_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("unchanged"); // a file that must keep the text "old"
        QTest::addColumn<bool>("diskFull");
        QTest::newRow("folder is a file") << "old.xml/out.xml"
                                          << "old.xml" << false;
        QTest::newRow("target is a folder") << "folder"
                                            << "folder/old.xml" << false;
        // Writing stops after a few of the chunks handed to the writing thread.
        QTest::newRow("disk full") << "old.xml"
                                   << "old.xml" << true;
    }

    void failedSaveKeepsTheOldFile() {
        QFETCH(QString, output);
        QFETCH(QString, unchanged);
        QFETCH(bool, diskFull);
        TLyTempFolder folder;
        folder.WriteFile(unchanged, "old");
        auto document = LoadLibraryDocument(
            folder.WriteFile("in.xml", diskFull ? MakeLargeLibraryXml(6000)
                                                : MakeLibraryXml({MakeLibraryTrack(1)})),
            nullptr, nullptr);
        QString error;
        {
            std::optional<TLyFileSizeLimit> limit;
            if (diskFull)
                limit.emplace(3 * 1024 * 1024);
            LY_EXPECT_EXCEPTION(
                ELyProjectError,
                SaveLibraryDocument(*document, folder.FilePath(output), nullptr, nullptr, 0),
                error);
        }
        QVERIFY2(error.contains("[" + folder.FilePath(output) + "]"), qPrintable(error));
        QCOMPARE(ReadWholeFile(folder.FilePath(unchanged)), QByteArray("old"));
        QCOMPARE(
            QDir(folder.Path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).size(),
            2); // no temporary file left behind
    }

    void statusIsComputedInTheBackground() {
        FFolder.WriteFile(QStringLiteral("music/a song.mp3"), "x");
        FFolder.WriteFile(QStringLiteral("musique/Ça plane.m4a"), "x");
        // A folder counts as missing.
        const QStringList names{"music/a song.mp3", "music/absent.mp3", "music",
                                "musique/Ça plane.m4a"};
        TLyFileStatusCalculator calculator;
        TCountingFileListener listener;
        calculator.AddListener(&listener);
        for (const QString& name : names)
            QCOMPARE(calculator.GetStatus(FFolder.FilePath(name)), fsUnknown);
        QTRY_COMPARE(listener.Changes, 1);
        QList<tLyFileStatus> statuses;
        for (const QString& name : names)
            statuses << calculator.GetStatus(FFolder.FilePath(name));
        QCOMPARE(statuses, (QList<tLyFileStatus>{fsExists, fsMissing, fsMissing, fsExists}));
        calculator.RemoveListener(&listener);
    }

    void repeatedRequestsAreTestedOnceAndKept() {
        // The worker cannot start checking before the main thread has delivered its start
        // notification, so all ten requests are queued first.
        TLyFileStatusCalculator calculator;
        TCountingFileListener listener;
        calculator.AddListener(&listener);
        const QString name = FFolder.WriteFile(QStringLiteral("ten.mp3"), "x");
        for (int i = 0; i < 10; ++i)
            QCOMPARE(calculator.GetStatus(name), fsUnknown);
        QCOMPARE(calculator.Process()->PendingCount(), 10);
        QTRY_COMPARE(listener.Changes, 1);
        QCOMPARE(calculator.Process()->PendingCount(), 0);
        QCOMPARE(calculator.Process()->ResultCount(), 1);
        QCOMPARE(calculator.GetStatus(name), fsExists);
        // The answer stays for the program's run: the file is never tested again.
        QVERIFY(QFile::remove(name));
        QCOMPARE(calculator.GetStatus(name), fsExists);
        // Names differing only in letter case are different files here.
        const QString upper = FFolder.FilePath(QStringLiteral("TEN.mp3"));
        QCOMPARE(calculator.GetStatus(upper), fsUnknown);
        QTRY_COMPARE(listener.Changes, 2);
        QCOMPARE(calculator.GetStatus(upper), fsMissing);
        calculator.RemoveListener(&listener);
    }

    void songPropertiesCacheTheAnswer() {
        const QString name = FFolder.WriteFile(QStringLiteral("cached.mp3"), "x");
        TLySongProperties track = Track("t").Location(name).Build();
        QVERIFY(!track.FileExists()); // no calculator: unknown, not an error
        QCOMPARE(track.FileStatus(), fsUnknown);

        LyFileStatusStartup();
        TCountingFileListener listener;
        FileStatusCalculator()->AddListener(&listener);
        QVERIFY(!track.FileExists()); // queued
        QCOMPARE(track.FileStatus(), fsUnknown);
        QTRY_COMPARE(listener.Changes, 1);
        QVERIFY(track.FileExists());
        QCOMPARE(track.FileStatus(), fsExists);
        FileStatusCalculator()->RemoveListener(&listener);
        LyFileStatusShutdown();
        QVERIFY(track.FileExists()); // kept in the properties
    }

    void listenerAsksAgainAsARunEndsByAnError_data() {
        QTest::addColumn<QString>("end");
        QTest::newRow("cancelled") << "cancel";
        QTest::newRow("a listener raised") << "raise";
        QTest::newRow("shut-down") << "shut-down";
    }

    void listenerAsksAgainAsARunEndsByAnError() {
        // The listener asks for a name not yet tested from within the notification of a run that
        // ends by an error: the run still takes the name, so asking does not wait for the worker
        // (which waits for the listener).
        QFETCH(QString, end);
        LyFileStatusStartup();
        TLyFileStatusCalculator* calculator = FileStatusCalculator();
        TAskingFileListener listener;
        listener.Calculator = calculator;
        listener.Name = FFolder.WriteFile(QStringLiteral("asked when told.mp3"), "x");
        listener.RaiseOnce = end == u"raise";
        calculator->AddListener(&listener);
        // The worker cannot check before the main thread has delivered its start notification.
        calculator->GetStatus(FFolder.FilePath(QStringLiteral("a.mp3")));
        calculator->GetStatus(FFolder.FilePath(QStringLiteral("b.mp3")));
        if (end == u"shut-down") {
            LyFileStatusShutdown(); // stops the run after its first name
            QCOMPARE(listener.Changes, 1);
            QCOMPARE(listener.Status, fsUnknown);
            return;
        }
        if (end == u"cancel") {
            calculator->Process()->Cancel();
            calculator->Process()->WaitFor();
            QCOMPARE(listener.Changes, 1);
            // Left for the next request, which starts a run.
            QCOMPARE(calculator->GetStatus(listener.Name), fsUnknown);
        }
        // The name is answered, and the listener told (by the failed run itself when it raised).
        QTRY_COMPARE(listener.Status, fsExists);
        calculator->Process()->WaitFor();
        QCOMPARE(calculator->Process()->PendingCount(), 0);
        calculator->RemoveListener(&listener);
        LyFileStatusShutdown();
    }

    void fileSize() {
        QCOMPARE(FileSize(FFolder.WriteFile(QStringLiteral("sized.xml"), QByteArray(1234, 'x'))),
                 1234);
        QCOMPARE(FileSize(FFolder.FilePath(QStringLiteral("no such file"))), 0);
        QCOMPARE(FileSize(FFolder.Path()), 0);
        // A sparse file just over 2 GiB takes no real disk space.
        const QString huge = FFolder.FilePath(QStringLiteral("huge.xml"));
        QFile file(huge);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(qint64(std::numeric_limits<int>::max()) + 1));
        file.close();
        QString message;
        LY_EXPECT_EXCEPTION(ELyProjectError, FileSize(huge), message);
        QVERIFY(message.contains(huge));
    }

    void readableLayout() {
        TLyTempFolder folder;
        const QByteArray xml =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<!DOCTYPE plist PUBLIC \"x\" \"y\">\n<plist version=\"1.0\">\n"
            "<dict>\n\t<key>A</key>\n\t<string>a &amp; b ]]&gt; c</string>\n"
            "\t<key>B</key>\n\t<true />\n\t<key>C</key><array></array>\n"
            "\t<dict><key>D</key><integer>1</integer></dict>\n</dict>\n</plist>\n";
        auto document = LoadLibraryDocument(folder.WriteFile("in.xml", xml), nullptr, nullptr);
        SaveLibraryDocument(*document, folder.FilePath("out.xml"), nullptr, nullptr, 0);
        QCOMPARE(ReadWholeFile(folder.FilePath("out.xml")),
                 QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                            "<!DOCTYPE plist PUBLIC \"x\" \"y\">\r\n"
                            "<plist version=\"1.0\">\r\n"
                            "  <dict>\r\n"
                            "    <key>A</key>\r\n"
                            "    <string>a &amp; b ]]&gt; c</string>\r\n"
                            "    <key>B</key>\r\n"
                            "    <true/>\r\n"
                            "    <key>C</key>\r\n"
                            "    <array/>\r\n"
                            "    <dict>\r\n"
                            "      <key>D</key>\r\n"
                            "      <integer>1</integer>\r\n"
                            "    </dict>\r\n"
                            "  </dict>\r\n"
                            "</plist>\r\n"));
    }
    void dates_data() {
        QTest::addColumn<QString>("text"); // read
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("written"); // the value written, if not empty
        const auto row = [](const char* name, const QString& text, bool ok, double value,
                            const QString& written) {
            QTest::newRow(name) << text << ok << value << written;
        };
        const double eleven = EncodeDateTime(2006, 2, 18, 20, 37, 11);
        row("date and time", "2006-02-18T20:37:11Z", true, eleven, "2006-02-18T20:37:11Z");
        row("milliseconds", "2006-02-18T20:37:11.250Z", true,
            EncodeDateTime(2006, 2, 18, 20, 37, 11, 250), "2006-02-18T20:37:11Z");
        row("milliseconds dropped, not rounded", "2006-02-18T20:37:11.999Z", true,
            EncodeDateTime(2006, 2, 18, 20, 37, 11, 999), "2006-02-18T20:37:11Z");
        row("date only, midnight keeps its time", "2006-02-18", true, EncodeDateTime(2006, 2, 18),
            "2006-02-18T00:00:00Z");
        row("before 1899", "1850-06-01T12:00:00Z", true, EncodeDateTime(1850, 6, 1, 12),
            "1850-06-01T12:00:00Z");
        row("empty; a hair below the second", "", false, eleven - 1e-10, "2006-02-18T20:37:11Z");
        row("month 13", "2006-13-45T00:00:00Z", false, 0.0, "");
        row("29 February of a common year", "2006-02-29", false, 0.0, "");
        row("hour 25", "2006-02-18T25:00:00Z", false, 0.0, "");
        row("year not a number", "20x6-02-18", false, 0.0, "");
        row("minutes not a number", "2006-02-18T20:xx:11Z", false, 0.0, "");
        row("too short", "2006-02", false, 0.0, "");
        row("non-ASCII digit", "\u0662006-02-18", false, 0.0, "");
    }

    void dates() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(double, value);
        QFETCH(QString, written);
        bool parsed = !ok;
        QCOMPARE(ParseLibraryDate(text, &parsed), ok ? value : 0.0);
        QCOMPARE(parsed, ok);
        if (!written.isEmpty())
            QCOMPARE(FormatLibraryDate(value), written);
    }

    void readTrack_data() {
        QTest::addColumn<TLyLibraryTrack>("track");
        QTest::addColumn<QStringList>("texts");  // name, artist, album, genre, location
        QTest::addColumn<QList<int>>("numbers"); // rating, play count, track kind
        QTest::addColumn<double>("lastPlayed");
        QTest::newRow("usual keys")
            << MakeLibraryTrack(7)
            << QStringList{"Song 7", "Artist 7", "Album 7", "Rock", "/Music/Song 7.mp3"}
            << QList<int>{20, 0, 2} << EncodeDateTime(2006, 2, 18, 20, 37, 11);
        QTest::newRow("a Name of Genre is a value, not a key")
            << TLyLibraryTrack{{"Name", "string", "Genre"}, {"Genre", "string", "Pop"}}
            << QStringList{"Genre", "", "", "Pop", ""} << QList<int>{0, 0, 0} << 0.0;
        QTest::newRow("keys ignore case, the later key wins")
            << TLyLibraryTrack{{"play count", "integer", "5"},
                               {"ARTIST", "string", "A"},
                               {"Artist", "string", "B"},
                               {"track type", "string", "url"}}
            << QStringList{"", "B", "", "", ""} << QList<int>{0, 5, 1} << 0.0;
        QTest::newRow("whitespace and empty values, blanks around numbers")
            << TLyLibraryTrack{{"Genre", "string", " "},
                               {"Album", "string", ""},
                               {"Rating", "integer", " 60 "},
                               {"Track Type", "string", "Remote"}}
            << QStringList{"", "", "", " ", ""} << QList<int>{60, 0, 0} << 0.0;
        QTest::newRow("a key without a value ends the track")
            << TLyLibraryTrack{{"Name", "string", "N"}, {"", "key", "Artist"}}
            << QStringList{"N", "", "", "", ""} << QList<int>{0, 0, 0} << 0.0;
    }

    void readTrack() {
        QFETCH(TLyLibraryTrack, track);
        QFETCH(QStringList, texts);
        QFETCH(QList<int>, numbers);
        QFETCH(double, lastPlayed);
        TLyTempFolder folder;
        auto document = LoadLibraryDocument(folder.WriteFile("in.xml", MakeLibraryXml({track})),
                                            nullptr, nullptr);
        TLySongProperties properties;
        ReadFromDictionary(properties, FirstTrack(*document));
        QCOMPARE(properties.Node(), FirstTrack(*document));
        QCOMPARE((QStringList{properties.Name(), properties.Artist(), properties.Album(),
                              properties.Genre(), properties.Location()}),
                 texts);
        QCOMPARE((QList<int>{properties.Rating(), properties.PlayCount(), properties.TrackKind()}),
                 numbers);
        QCOMPARE(properties.LastPlayed(), lastPlayed);
    }

    void locationToPathAgreesWithTheExpressions() {
        // The conversion answers plain URLs without running its two expressions: it must convert
        // every URL as the expressions alone convert it.
        const QRegularExpression::PatternOptions options =
            QRegularExpression::CaseInsensitiveOption |
            QRegularExpression::DotMatchesEverythingOption;
        const QRegularExpression driveUrl("^file://(?:localhost)?/([a-zA-Z]:.+)", options);
        const QRegularExpression fileUrl("^file://(?:localhost)?(/.+)", options);
        const auto reference = [&](const QString& url) {
            QString path = url;
            if (QRegularExpressionMatch m = driveUrl.match(url); m.hasMatch()) {
                path = m.captured(1).replace(u'/', u'\\');
            } else if (m = fileUrl.match(url); m.hasMatch()) {
                path = m.captured(1);
                if (path.startsWith("//"))
                    path.replace(u'/', u'\\');
            }
            return path;
        };
        // Every combination of the pieces that matter, in the order they come.
        const QList<QStringList> parts{{"file://", "FILE://", "File:/", "http://", ""},
                                       {"", "localhost", "LocalHost", "localho\u017Ft", "server"},
                                       {"/", "", "//"},
                                       {"", "C", "z", "\u212A", "\u00e9", "1"},
                                       {":", "", "|"},
                                       {"", "/", "a", "/a b.mp3", "\n"}};
        int checked = 0;
        std::function<void(int, const QString&)> check = [&](int level, const QString& url) {
            if (level == parts.size()) {
                // Without escapes nothing is decoded, so the paths compare as they are.
                QVERIFY2(LocationToPath(url) == reference(url), qPrintable(url));
                ++checked;
                return;
            }
            for (const QString& piece : parts[level])
                check(level + 1, url + piece);
        };
        check(0, QString());
        QCOMPARE(checked, 5 * 5 * 3 * 6 * 3 * 5);
    }

private:
    // Runs `work` on a worker whose run is cancelled when a sub task first reports `cancelAt`
    // or more. Returns the highest position reported, or -1 when the run was not cancelled
    // there or the work did not raise the cancel.
    int RunCancelled(int cancelAt, const std::function<void(ILyProcessTask*, TLyProcess*)>& work) {
        TProgress progress; // outlives the owner, which tells it when it goes
        TOwner owner;
        progress.Cancelling = owner.Process();
        progress.CancelAt = cancelAt;
        owner.Listeners()->AddListener(&progress);
        std::atomic<bool> cancelled{false};
        owner.Process()->Start("Run", [&](TVxPausableThread&) {
            try {
                work(owner.Process()->StartMainTask(1, "Run"), owner.Process());
            } catch (const ELyProcessCancelled&) {
                cancelled = true;
                throw;
            }
        });
        owner.Process()->WaitFor();
        return progress.Cancelling || !cancelled ? -1 : progress.Position;
    }

    TLyTempFolder FFolder; // holds the large library shared by the cancel tests, and small files
};

QTEST_GUILESS_MAIN(TestLyLibraryFile)
#include "tst_LyLibraryFile.moc"
