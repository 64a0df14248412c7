// The benchmark's library generator: determinism, the property-list layout, the variety of
// texts, keys and locations, and how library Two relates to library One.
#include "FailingDevice.h"
#include "LibraryGenerator.h"
#include "LyTestSupport.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QTest>
#include <QUrl>
#include <QXmlStreamReader>

#include <memory>

namespace {

// A property-list value as the tests need it: dictionaries keep their key order.
struct TValue {
    QString Type; // element name: dict, array, string, integer, date, true, false
    QString Text;
    QList<QPair<QString, TValue>> Dict;
    QList<TValue> Array;

    const TValue* Find(const QString& key) const {
        for (const auto& entry : Dict) {
            if (entry.first == key)
                return &entry.second;
        }
        return nullptr;
    }
    QString TextOf(const QString& key) const {
        const TValue* value = Find(key);
        return value ? value->Text : QString();
    }
    QStringList Keys() const {
        QStringList keys;
        for (const auto& entry : Dict)
            keys.append(entry.first);
        return keys;
    }
};

bool ReadValue(QXmlStreamReader& xml, TValue& value) {
    value.Type = xml.name().toString();
    if (value.Type == u"dict") {
        while (xml.readNextStartElement()) {
            if (xml.name() != u"key") {
                xml.raiseError(QStringLiteral("dict child is not a key"));
                return false;
            }
            const QString key = xml.readElementText();
            if (!xml.readNextStartElement()) {
                xml.raiseError(QStringLiteral("key without a value"));
                return false;
            }
            TValue child;
            if (!ReadValue(xml, child))
                return false;
            value.Dict.append({key, child});
        }
    } else if (value.Type == u"array") {
        while (xml.readNextStartElement()) {
            TValue child;
            if (!ReadValue(xml, child))
                return false;
            value.Array.append(child);
        }
    } else {
        value.Text = xml.readElementText();
    }
    return !xml.hasError();
}

struct TLibrary {
    QByteArray Bytes;
    TValue Top;
    QList<const TValue*> Tracks;
    QStringList TrackIds; // the keys of the track dictionary
};

// Parses a generated library; fails the test when it is not a property list.
std::unique_ptr<TLibrary> Parse(const QByteArray& bytes) {
    auto library = std::make_unique<TLibrary>();
    library->Bytes = bytes;
    QXmlStreamReader xml(bytes);
    bool sawDoctype = false;
    while (!xml.atEnd() && !xml.isStartElement()) {
        xml.readNext();
        sawDoctype = sawDoctype || xml.isDTD();
    }
    if (!sawDoctype || xml.name() != u"plist" || !xml.readNextStartElement() ||
        !ReadValue(xml, library->Top)) {
        qWarning() << "not a property list:" << xml.errorString() << "at line" << xml.lineNumber();
        return nullptr;
    }
    xml.skipCurrentElement(); // </plist>
    while (!xml.atEnd())
        xml.readNext();
    if (xml.hasError()) {
        qWarning() << "XML error:" << xml.errorString() << "at line" << xml.lineNumber();
        return nullptr;
    }
    if (const TValue* tracks = library->Top.Find(QStringLiteral("Tracks"))) {
        for (const auto& entry : tracks->Dict) {
            library->TrackIds.append(entry.first);
            library->Tracks.append(&entry.second);
        }
    }
    return library;
}

QByteArray Generate(int tracks, quint64 seed, TLyBenchLibrary which) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QString error;
    const bool written = TLyLibraryGenerator(tracks, seed).Write(&buffer, which, &error);
    if (!written)
        qWarning() << "generator failed:" << error;
    return buffer.data();
}

// Name, artist and album as a loose matcher sees them: composed, case-folded, letters and
// digits only.
QString LooseKey(const TValue& track) {
    QString key;
    for (const char* part : {"Name", "Artist", "Album"}) {
        const QString text =
            track.TextOf(QString::fromLatin1(part)).normalized(QString::NormalizationForm_C);
        for (const QChar c : text.toCaseFolded()) {
            if (c.isLetterOrNumber())
                key += c;
        }
        key += u'|';
    }
    return key;
}

QString Decoded(const QString& urlText, bool* validUtf8) {
    const QByteArray bytes = QByteArray::fromPercentEncoding(urlText.toLatin1());
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    *validUtf8 = !decoder.hasError();
    return text;
}

const QStringList kRequiredKeys{QStringLiteral("Track ID"), QStringLiteral("Name"),
                                QStringLiteral("Persistent ID"), QStringLiteral("Track Type")};

const QSet<QString> kIntegerKeys{
    QStringLiteral("Track ID"),          QStringLiteral("Size"),
    QStringLiteral("Total Time"),        QStringLiteral("Disc Number"),
    QStringLiteral("Disc Count"),        QStringLiteral("Track Number"),
    QStringLiteral("Track Count"),       QStringLiteral("Year"),
    QStringLiteral("Bit Rate"),          QStringLiteral("Sample Rate"),
    QStringLiteral("Play Count"),        QStringLiteral("Play Date"),
    QStringLiteral("Skip Count"),        QStringLiteral("Rating"),
    QStringLiteral("Album Rating"),      QStringLiteral("Normalization"),
    QStringLiteral("File Folder Count"), QStringLiteral("Library Folder Count")};
const QSet<QString> kDateKeys{QStringLiteral("Date Modified"), QStringLiteral("Date Added"),
                              QStringLiteral("Play Date UTC"), QStringLiteral("Skip Date"),
                              QStringLiteral("Release Date")};

} // namespace

Q_DECLARE_METATYPE(TLyBenchLibrary)

class TestLibraryGenerator : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();

    void randomMatchesTheReferenceSequence();
    void randomStaysInItsBounds_data();
    void randomStaysInItsBounds();

    void sameSeedGivesTheSameBytes_data();
    void sameSeedGivesTheSameBytes();
    void otherSeedGivesOtherLibraries();
    void outputIsPinnedByTheFormatVersion_data();
    void outputIsPinnedByTheFormatVersion();

    void parsesWithTheExpectedTracks_data();
    void parsesWithTheExpectedTracks();
    void headerAndTopKeysInOrder_data();
    void headerAndTopKeysInOrder();
    void tabIndentationAndLineFeeds_data();
    void tabIndentationAndLineFeeds();
    void aboutOnePointFiveKilobytesPerTrack_data();
    void aboutOnePointFiveKilobytesPerTrack();

    void everyOptionalKeySometimesMissing_data();
    void everyOptionalKeySometimesMissing();
    void textsThatNeedCare_data();
    void textsThatNeedCare();
    void locationsArePercentEscapedFileUrls_data();
    void locationsArePercentEscapedFileUrls();
    void valuesHaveTheLibraryForms_data();
    void valuesHaveTheLibraryForms();
    void playlistsReferenceTracks_data();
    void playlistsReferenceTracks();

    void twoSharesAboutEightyPercent();
    void twoVariesTextsAndUserData();
    void twoReordersSomeTracks();

    void writeFileReplacesTheFile();
    void writeFailuresAreReported();

private:
    const TLibrary& Library(TLyBenchLibrary which) const {
        return which == TLyBenchLibrary::One ? *FOne : *FTwo;
    }

    static constexpr int kTracks = 600;
    static constexpr quint64 kSeed = 7;
    std::unique_ptr<TLibrary> FOne;
    std::unique_ptr<TLibrary> FTwo;
};

void TestLibraryGenerator::initTestCase() {
    FOne = Parse(Generate(kTracks, kSeed, TLyBenchLibrary::One));
    FTwo = Parse(Generate(kTracks, kSeed, TLyBenchLibrary::Two));
    QVERIFY(FOne);
    QVERIFY(FTwo);
}

// ---------------------------------------------------------------------------------------------

void TestLibraryGenerator::randomMatchesTheReferenceSequence() {
    // splitmix64's published outputs for the seed 1234567.
    TLyBenchRandom random(1234567);
    QCOMPARE(random.Next(), 6457827717110365317ull);
    QCOMPARE(random.Next(), 3203168211198807973ull);
    QCOMPARE(random.Next(), 9817491932198370423ull);
}

void TestLibraryGenerator::randomStaysInItsBounds_data() {
    QTest::addColumn<qint64>("low");
    QTest::addColumn<qint64>("high");
    QTest::newRow("one value") << qint64(5) << qint64(5);
    QTest::newRow("small") << qint64(0) << qint64(3);
    QTest::newRow("negative") << qint64(-8) << qint64(15);
    QTest::newRow("dates") << qint64(1104537600) << qint64(1704067200);
}

void TestLibraryGenerator::randomStaysInItsBounds() {
    QFETCH(qint64, low);
    QFETCH(qint64, high);
    TLyBenchRandom random(99, 1, 2);
    qint64 smallest = high, largest = low;
    for (int i = 0; i < 4000; ++i) {
        const qint64 value = random.Between(low, high);
        QVERIFY(value >= low && value <= high);
        smallest = std::min(smallest, value);
        largest = std::max(largest, value);
        const quint32 bound = quint32(high - low + 1);
        if (bound > 0)
            QVERIFY(random.Below(bound) < bound);
    }
    if (high - low < 100) {
        // Small ranges are covered end to end.
        QCOMPARE(smallest, low);
        QCOMPARE(largest, high);
    }
}

void TestLibraryGenerator::sameSeedGivesTheSameBytes_data() {
    QTest::addColumn<TLyBenchLibrary>("which");
    QTest::addColumn<int>("tracks");
    QTest::addColumn<quint64>("seed");
    QTest::newRow("One, 250 tracks") << TLyBenchLibrary::One << 250 << quint64(1);
    QTest::newRow("Two, 250 tracks") << TLyBenchLibrary::Two << 250 << quint64(1);
    QTest::newRow("Two, other seed") << TLyBenchLibrary::Two << 130 << quint64(0xFFFFFFFFFFull);
}

void TestLibraryGenerator::sameSeedGivesTheSameBytes() {
    QFETCH(TLyBenchLibrary, which);
    QFETCH(int, tracks);
    QFETCH(quint64, seed);
    const QByteArray first = Generate(tracks, seed, which);
    QVERIFY(first.size() > 1000);
    QCOMPARE(Generate(tracks, seed, which), first);
    QCOMPARE(TLyLibraryGenerator(tracks, seed).Fingerprint(),
             TLyLibraryGenerator(tracks, seed).Fingerprint());
}

void TestLibraryGenerator::otherSeedGivesOtherLibraries() {
    QVERIFY(Generate(100, 1, TLyBenchLibrary::One) != Generate(100, 2, TLyBenchLibrary::One));
    QVERIFY(Generate(100, 1, TLyBenchLibrary::One) != Generate(100, 1, TLyBenchLibrary::Two));
    QVERIFY(TLyLibraryGenerator(100, 1).Fingerprint() != TLyLibraryGenerator(100, 2).Fingerprint());
    QVERIFY(TLyLibraryGenerator(100, 1).Fingerprint() != TLyLibraryGenerator(101, 1).Fingerprint());
}

void TestLibraryGenerator::outputIsPinnedByTheFormatVersion_data() {
    QTest::addColumn<TLyBenchLibrary>("which");
    QTest::addColumn<QByteArray>("sha256");
    QTest::newRow("One") << TLyBenchLibrary::One
                         << QByteArray(
                                "43f1c7acb83c2c0d21a657f2941167b317b94a4501a80d023f5a86a16266d385");
    QTest::newRow("Two") << TLyBenchLibrary::Two
                         << QByteArray(
                                "fee80848e1668452b449407baf7aeb78efeee8a1c3e1879850212b16cd4336b4");
}

// The benchmark reuses stored libraries whose fingerprint matches, so the bytes for a seed may
// change only together with the format version. On purpose changes, bump kFormatVersion and
// update both: the digests are of 60 tracks with seed 1.
void TestLibraryGenerator::outputIsPinnedByTheFormatVersion() {
    QFETCH(TLyBenchLibrary, which);
    QFETCH(QByteArray, sha256);
    QCOMPARE(TLyLibraryGenerator::kFormatVersion, 1);
    QCOMPARE(QCryptographicHash::hash(Generate(60, 1, which), QCryptographicHash::Sha256).toHex(),
             sha256);
}

// ---------------------------------------------------------------------------------------------

void TestLibraryGenerator::parsesWithTheExpectedTracks_data() {
    QTest::addColumn<TLyBenchLibrary>("which");
    QTest::addColumn<int>("tracks");
    for (const int tracks : {0, 1, 13, 300}) {
        QTest::addRow("One, %d", tracks) << TLyBenchLibrary::One << tracks;
        QTest::addRow("Two, %d", tracks) << TLyBenchLibrary::Two << tracks;
    }
}

void TestLibraryGenerator::parsesWithTheExpectedTracks() {
    QFETCH(TLyBenchLibrary, which);
    QFETCH(int, tracks);
    const auto library = Parse(Generate(tracks, 3, which));
    QVERIFY(library);
    QCOMPARE(library->Tracks.size(), tracks);
    QCOMPARE(QSet<QString>(library->TrackIds.begin(), library->TrackIds.end()).size(), tracks);

    const QStringList& order = TLyLibraryGenerator::TrackKeyOrder();
    QSet<QString> persistentIds;
    for (int i = 0; i < tracks; ++i) {
        const TValue& track = *library->Tracks.at(i);
        QCOMPARE(track.Type, QStringLiteral("dict"));
        QCOMPARE(track.TextOf(QStringLiteral("Track ID")), library->TrackIds.at(i));
        for (const QString& key : kRequiredKeys)
            QVERIFY2(track.Find(key), qPrintable(key));
        // Known keys only, each once, in the usual order.
        int previous = -1;
        for (const auto& [key, value] : track.Dict) {
            const int index = int(order.indexOf(key));
            QVERIFY2(index > previous, qPrintable(key));
            previous = index;
            const QString expectedType = kIntegerKeys.contains(key) ? QStringLiteral("integer")
                                         : kDateKeys.contains(key)  ? QStringLiteral("date")
                                                                    : QStringLiteral("string");
            QCOMPARE(value.Type, expectedType);
        }
        persistentIds.insert(track.TextOf(QStringLiteral("Persistent ID")));
    }
    QCOMPARE(persistentIds.size(), tracks);
}

void TestLibraryGenerator::headerAndTopKeysInOrder_data() {
    QTest::addColumn<TLyBenchLibrary>("which");
    QTest::newRow("One") << TLyBenchLibrary::One;
    QTest::newRow("Two") << TLyBenchLibrary::Two;
}

void TestLibraryGenerator::headerAndTopKeysInOrder() {
    QFETCH(TLyBenchLibrary, which);
    const TLibrary& library = Library(which);
    QVERIFY(library.Bytes.startsWith(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n<dict>\n\t<key>Major Version</key><integer>1</integer>\n"));
    QVERIFY(library.Bytes.endsWith("\t</array>\n</dict>\n</plist>\n"));
    QCOMPARE(library.Top.Keys(),
             QStringList({"Major Version", "Minor Version", "Application Version", "Date",
                          "Features", "Show Content Ratings", "Music Folder",
                          "Library Persistent ID", "Tracks", "Playlists"}));
    QCOMPARE(library.Top.Find(QStringLiteral("Show Content Ratings"))->Type,
             QStringLiteral("true"));
    QVERIFY(library.Top.TextOf(QStringLiteral("Music Folder")).startsWith("file://localhost/"));
    QVERIFY(library.Top.TextOf(QStringLiteral("Music Folder")).endsWith("/iTunes%20Media/"));
    QCOMPARE(library.Top.Find(QStringLiteral("Tracks"))->Type, QStringLiteral("dict"));
    QCOMPARE(library.Top.Find(QStringLiteral("Playlists"))->Type, QStringLiteral("array"));
}

void TestLibraryGenerator::tabIndentationAndLineFeeds_data() {
    headerAndTopKeysInOrder_data();
}

void TestLibraryGenerator::tabIndentationAndLineFeeds() {
    QFETCH(TLyBenchLibrary, which);
    const QByteArray& bytes = Library(which).Bytes;
    QVERIFY(!bytes.contains('\r'));
    const QList<QByteArray> lines = bytes.split('\n');
    QVERIFY(lines.last().isEmpty()); // the file ends with a line feed
    int trackDicts = 0;
    for (const QByteArray& line : lines) {
        qsizetype tabs = 0;
        while (tabs < line.size() && line.at(tabs) == '\t')
            ++tabs;
        QVERIFY2(tabs == line.size() || line.at(tabs) == '<', line.constData());
        if (line.startsWith("\t\t<key>")) // a track's id before its dictionary
            ++trackDicts;
    }
    QCOMPARE(trackDicts, kTracks);
    QVERIFY(bytes.contains("\n\t\t\t<key>Track ID</key><integer>"));
    QVERIFY(bytes.contains("\n\t\t\t\t\t<key>Track ID</key><integer>")); // playlist items
}

void TestLibraryGenerator::aboutOnePointFiveKilobytesPerTrack_data() {
    headerAndTopKeysInOrder_data();
}

void TestLibraryGenerator::aboutOnePointFiveKilobytesPerTrack() {
    QFETCH(TLyBenchLibrary, which);
    const double perTrack = double(Library(which).Bytes.size()) / kTracks;
    QVERIFY2(perTrack > 1300 && perTrack < 1800, qPrintable(QString::number(perTrack)));
}

// ---------------------------------------------------------------------------------------------

void TestLibraryGenerator::everyOptionalKeySometimesMissing_data() {
    headerAndTopKeysInOrder_data();
}

void TestLibraryGenerator::everyOptionalKeySometimesMissing() {
    QFETCH(TLyBenchLibrary, which);
    const TLibrary& library = Library(which);
    for (const QString& key : TLyLibraryGenerator::TrackKeyOrder()) {
        int present = 0;
        for (const TValue* track : library.Tracks)
            present += track->Find(key) ? 1 : 0;
        if (kRequiredKeys.contains(key))
            QCOMPARE(present, kTracks);
        else
            QVERIFY2(present > 0 && present < kTracks,
                     qPrintable(QStringLiteral("%1: %2").arg(key).arg(present)));
    }
}

void TestLibraryGenerator::textsThatNeedCare_data() {
    headerAndTopKeysInOrder_data();
}

void TestLibraryGenerator::textsThatNeedCare() {
    QFETCH(TLyBenchLibrary, which);
    const TLibrary& library = Library(which);
    QHash<QString, int> seen;
    const auto count = [&](const char* what, bool condition) {
        if (condition)
            ++seen[QString::fromLatin1(what)];
    };
    for (const TValue* track : library.Tracks) {
        for (const char* key : {"Name", "Artist", "Album"}) {
            const QString text = track->TextOf(QString::fromLatin1(key));
            count("decomposed", text != text.normalized(QString::NormalizationForm_C));
            count("ampersand", text.contains(u'&'));
            count("less-than", text.contains(u'<'));
            for (const QChar c : text) {
                count("accented Latin", c.script() == QChar::Script_Latin && c.unicode() > 0x7F);
                count("CJK",
                      c.script() == QChar::Script_Han || c.script() == QChar::Script_Hiragana);
                count("Cyrillic", c.script() == QChar::Script_Cyrillic);
            }
        }
        const TValue* genre = track->Find(QStringLiteral("Genre"));
        count("genre of one space", genre && genre->Text == u" ");
        count("empty genre", genre && genre->Text.isEmpty());
    }
    for (const char* what : {"decomposed", "ampersand", "less-than", "accented Latin", "CJK",
                             "Cyrillic", "genre of one space", "empty genre"})
        QVERIFY2(seen.value(QString::fromLatin1(what)) > 0, what);
    // Markup characters are escaped the way the property-list writer does it.
    QVERIFY(library.Bytes.contains("&#38;"));
    QVERIFY(library.Bytes.contains("&#60;"));
}

void TestLibraryGenerator::locationsArePercentEscapedFileUrls_data() {
    QTest::addColumn<TLyBenchLibrary>("which");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<bool>("decomposed");
    QTest::addColumn<QString>("forbidden");
    QTest::newRow("One, a Mac library")
        << TLyBenchLibrary::One << QStringLiteral("/Users/lea/Music/iTunes/iTunes Media/Music/")
        << true << QStringLiteral("/:");
    QTest::newRow("Two, a Windows library")
        << TLyBenchLibrary::Two << QStringLiteral("/C:/Users/Ben/Music/iTunes/iTunes Media/Music/")
        << false << QStringLiteral("/:\\?<>\"*|");
}

void TestLibraryGenerator::locationsArePercentEscapedFileUrls() {
    QFETCH(TLyBenchLibrary, which);
    QFETCH(QString, prefix);
    QFETCH(bool, decomposed);
    QFETCH(QString, forbidden);
    static const QRegularExpression badEscape(QStringLiteral("%(?![0-9A-F]{2})"));
    QHash<QString, int> seen;
    for (const TValue* track : Library(which).Tracks) {
        const QString location = track->TextOf(QStringLiteral("Location"));
        const QString type = track->TextOf(QStringLiteral("Track Type"));
        if (type == u"Remote") {
            QVERIFY(location.isEmpty());
            continue;
        }
        QVERIFY(!location.isEmpty());
        if (type == u"URL") {
            QVERIFY(location.startsWith("http://"));
            continue;
        }
        QVERIFY2(location.startsWith("file://localhost/"), qPrintable(location));
        for (const QChar c : location)
            QVERIFY2(c.unicode() > 0x20 && c.unicode() < 0x7F, qPrintable(location));
        QVERIFY2(!badEscape.match(location).hasMatch(), qPrintable(location));

        bool valid = false;
        const QString path = Decoded(location.mid(16), &valid);
        QVERIFY2(valid, qPrintable(location));
        if (path.startsWith("//nas/"))
            ++seen[QStringLiteral("network")];
        else
            QVERIFY2(path.startsWith(prefix), qPrintable(path));
        if (decomposed)
            QCOMPARE(path, path.normalized(QString::NormalizationForm_D));
        // The file name is the track number and the name, with what file systems forbid
        // replaced.
        QString name =
            track->TextOf(QStringLiteral("Name")).normalized(QString::NormalizationForm_C);
        for (const QChar c : forbidden)
            name.replace(c, u'_');
        const QString fileName = path.section(u'/', -1).normalized(QString::NormalizationForm_C);
        QVERIFY2(fileName.contains(u' ' + name + u'.'),
                 qPrintable(fileName + QStringLiteral(" / ") + name));
        if (location.contains("%20"))
            ++seen[QStringLiteral("space")];
        if (location.contains(u'+'))
            ++seen[QStringLiteral("plus")];
        if (location.contains("%C3") || location.contains("%CC"))
            ++seen[QStringLiteral("Latin escape")];
        if (location.contains("%E3") || location.contains("%E6"))
            ++seen[QStringLiteral("CJK escape")];
        if (path.contains(u'&'))
            ++seen[QStringLiteral("ampersand")];
    }
    for (const char* what : {"space", "plus", "Latin escape", "CJK escape", "ampersand"})
        QVERIFY2(seen.value(QString::fromLatin1(what)) > 0, what);
    if (which == TLyBenchLibrary::Two)
        QVERIFY(seen.value(QStringLiteral("network")) > 0);
}

void TestLibraryGenerator::valuesHaveTheLibraryForms_data() {
    headerAndTopKeysInOrder_data();
}

void TestLibraryGenerator::valuesHaveTheLibraryForms() {
    QFETCH(TLyBenchLibrary, which);
    static const QRegularExpression dateForm(
        QStringLiteral("^(\\d{4})-(\\d\\d)-(\\d\\d)T(\\d\\d):(\\d\\d):(\\d\\d)Z$"));
    int rated = 0;
    for (const TValue* track : Library(which).Tracks) {
        for (const auto& [key, value] : track->Dict) {
            if (value.Type == u"date") {
                const QRegularExpressionMatch match = dateForm.match(value.Text);
                QVERIFY2(match.hasMatch(), qPrintable(value.Text));
                const QDateTime date = QDateTime::fromString(value.Text, Qt::ISODate);
                QVERIFY2(date.isValid(), qPrintable(value.Text));
                QVERIFY(date.date().year() >= 1955 && date.date().year() <= 2024);
            } else if (value.Type == u"integer") {
                bool ok = false;
                QVERIFY(value.Text.toLongLong(&ok) >= 0 && ok);
            }
        }
        for (const char* key : {"Rating", "Album Rating"}) {
            if (const TValue* rating = track->Find(QString::fromLatin1(key))) {
                const int value = rating->Text.toInt();
                QVERIFY2(value >= 20 && value <= 100 && value % 20 == 0, qPrintable(rating->Text));
                ++rated;
            }
        }
        // Play Date counts seconds from 1904 and names the same moment as Play Date UTC.
        if (const TValue* playDate = track->Find(QStringLiteral("Play Date"))) {
            const QDateTime utc =
                QDateTime::fromString(track->TextOf(QStringLiteral("Play Date UTC")), Qt::ISODate);
            QCOMPARE(playDate->Text.toLongLong() - 2082844800, utc.toSecsSinceEpoch());
            QVERIFY(track->TextOf(QStringLiteral("Play Count")).toInt() > 0);
        }
    }
    QVERIFY(rated > kTracks / 5);
}

void TestLibraryGenerator::playlistsReferenceTracks_data() {
    headerAndTopKeysInOrder_data();
}

void TestLibraryGenerator::playlistsReferenceTracks() {
    QFETCH(TLyBenchLibrary, which);
    const TLibrary& library = Library(which);
    const QSet<QString> ids(library.TrackIds.begin(), library.TrackIds.end());
    const QList<TValue>& playlists = library.Top.Find(QStringLiteral("Playlists"))->Array;
    QVERIFY(playlists.size() >= 4);

    // The master playlist lists every track in file order.
    const TValue& master = playlists.first();
    QCOMPARE(master.Find(QStringLiteral("Master"))->Type, QStringLiteral("true"));
    QStringList masterItems;
    for (const TValue& item : master.Find(QStringLiteral("Playlist Items"))->Array)
        masterItems.append(item.TextOf(QStringLiteral("Track ID")));
    QCOMPARE(masterItems, library.TrackIds);

    QSet<QString> playlistIds;
    int smallPlaylists = 0;
    for (const TValue& playlist : playlists) {
        QVERIFY(!playlist.TextOf(QStringLiteral("Name")).isEmpty());
        const QString playlistId = playlist.TextOf(QStringLiteral("Playlist ID"));
        QVERIFY(!ids.contains(playlistId));
        playlistIds.insert(playlistId);
        const TValue* items = playlist.Find(QStringLiteral("Playlist Items"));
        if (!items)
            continue;
        QVERIFY(!items->Array.isEmpty());
        for (const TValue& item : items->Array)
            QVERIFY(ids.contains(item.TextOf(QStringLiteral("Track ID"))));
        if (items->Array.size() < kTracks / 10)
            ++smallPlaylists;
    }
    QCOMPARE(playlistIds.size(), playlists.size());
    QVERIFY(smallPlaylists >= 2);
}

// ---------------------------------------------------------------------------------------------

void TestLibraryGenerator::twoSharesAboutEightyPercent() {
    const TLyLibraryGenerator generator(kTracks, kSeed);
    const double shared = double(generator.SharedCount()) / kTracks;
    QVERIFY2(shared > 0.75 && shared < 0.85, qPrintable(QString::number(shared)));

    QSet<QString> keysOne;
    for (const TValue* track : FOne->Tracks)
        keysOne.insert(LooseKey(*track));
    int found = 0;
    for (const TValue* track : FTwo->Tracks)
        found += keysOne.contains(LooseKey(*track)) ? 1 : 0;
    // Spelling slips keep a few shared songs from matching loosely.
    const double matching = double(found) / kTracks;
    QVERIFY2(matching > 0.70 && matching <= shared, qPrintable(QString::number(matching)));
    QVERIFY2(found < generator.SharedCount(), "some shared songs differ in spelling");

    // The libraries are separate: no persistent id is shared.
    QSet<QString> idsOne;
    for (const TValue* track : FOne->Tracks)
        idsOne.insert(track->TextOf(QStringLiteral("Persistent ID")));
    for (const TValue* track : FTwo->Tracks)
        QVERIFY(!idsOne.contains(track->TextOf(QStringLiteral("Persistent ID"))));
}

void TestLibraryGenerator::twoVariesTextsAndUserData() {
    QHash<QString, const TValue*> one;
    for (const TValue* track : FOne->Tracks)
        one.insert(LooseKey(*track), track);
    int pairs = 0, exactText = 0, differentText = 0, caseOnly = 0, playCount = 0, rating = 0,
        genre = 0;
    for (const TValue* two : FTwo->Tracks) {
        const TValue* partner = one.value(LooseKey(*two));
        if (!partner)
            continue;
        ++pairs;
        const QString nameOne = partner->TextOf(QStringLiteral("Name"));
        const QString nameTwo = two->TextOf(QStringLiteral("Name"));
        if (nameOne == nameTwo)
            ++exactText;
        else
            ++differentText;
        if (nameOne != nameTwo && nameOne.toCaseFolded() == nameTwo.toCaseFolded())
            ++caseOnly;
        for (const auto& [key, counter] : {std::pair{QStringLiteral("Play Count"), &playCount},
                                           std::pair{QStringLiteral("Rating"), &rating},
                                           std::pair{QStringLiteral("Genre"), &genre}}) {
            if (partner->TextOf(key) != two->TextOf(key))
                ++*counter;
        }
    }
    QVERIFY(pairs > kTracks / 2);
    QVERIFY2(exactText > pairs / 2, "most shared songs are spelled the same");
    QVERIFY2(differentText > pairs / 20, qPrintable(QString::number(differentText)));
    QVERIFY(caseOnly > 0);
    QVERIFY2(playCount > pairs / 3, qPrintable(QString::number(playCount)));
    QVERIFY2(rating > pairs / 10, qPrintable(QString::number(rating)));
    QVERIFY2(genre > 0 && genre < pairs / 5, qPrintable(QString::number(genre)));
}

void TestLibraryGenerator::twoReordersSomeTracks() {
    QHash<QString, int> positionInOne;
    for (int i = 0; i < FOne->Tracks.size(); ++i)
        positionInOne.insert(LooseKey(*FOne->Tracks.at(i)), i);
    int previous = -1, steps = 0, backwards = 0;
    for (const TValue* track : FTwo->Tracks) {
        const int position = positionInOne.value(LooseKey(*track), -1);
        if (position < 0)
            continue;
        if (previous >= 0) {
            ++steps;
            backwards += position < previous ? 1 : 0;
        }
        previous = position;
    }
    // Mostly One's order, with some songs moved.
    QVERIFY2(backwards > 0 && backwards < steps / 4,
             qPrintable(QStringLiteral("%1 of %2").arg(backwards).arg(steps)));
}

// ---------------------------------------------------------------------------------------------

void TestLibraryGenerator::writeFileReplacesTheFile() {
    TLyTempFolder folder;
    const QString path = folder.WriteFile(QStringLiteral("one.xml"), "old contents");
    QString error;
    QVERIFY(TLyLibraryGenerator(40, 5).WriteFile(path, TLyBenchLibrary::One, &error));
    QCOMPARE(ReadWholeFile(path), Generate(40, 5, TLyBenchLibrary::One));
    QCOMPARE(QDir(folder.Path()).entryList(QDir::Files), QStringList{"one.xml"});

    const QString missing = folder.FilePath(QStringLiteral("no such folder/two.xml"));
    QVERIFY(!TLyLibraryGenerator(40, 5).WriteFile(missing, TLyBenchLibrary::Two, &error));
    QVERIFY2(error.contains(missing), qPrintable(error));
}

void TestLibraryGenerator::writeFailuresAreReported() {
    // A device that fails part-way: the failure is reported, not swallowed.
    TLyFailingDevice device(100'000);
    QVERIFY(device.open(QIODevice::WriteOnly));
    QString error;
    QVERIFY(!TLyLibraryGenerator(300, 5).Write(&device, TLyBenchLibrary::One, &error));
    QVERIFY(!error.isEmpty());

    TLyFailingDevice roomy(qint64(1) << 40);
    QVERIFY(roomy.open(QIODevice::WriteOnly));
    QVERIFY(TLyLibraryGenerator(50, 5).Write(&roomy, TLyBenchLibrary::One, &error));
    QCOMPARE(roomy.Written(), Generate(50, 5, TLyBenchLibrary::One));
}

QTEST_GUILESS_MAIN(TestLibraryGenerator)
#include "tst_LibraryGenerator.moc"
