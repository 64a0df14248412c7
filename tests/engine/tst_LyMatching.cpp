// Matching keys under the four compare modes, and how tracks of two libraries find each
// other through full and shortened keys.
#include "LibraryBuilders.h"
#include "LyLibraryFile.h"
#include "LyMatchResult.h"
#include "LyMatching.h"
#include "LyProcess.h"
#include "LyTestSupport.h"
#include "SongBuilders.h"
#include "VxThreads.h"

#include <QTest>

Q_DECLARE_METATYPE(TLySongProperties)

namespace {

std::unique_ptr<TLyCompareOptions> Options(tLySongCompareMode mode,
                                           tLySongCompareComponentSet components,
                                           tLySongCompareComponentSet canBeEmpty) {
    auto options = std::make_unique<TLyCompareOptions>();
    options->SetMode(mode);
    options->SetComponents(components);
    options->SetCanBeEmpty(canBeEmpty);
    return options;
}

// Adds each track to a new map and returns it.

int PrimaryCount(const TLySongPropertiesMap& map) {
    int count = 0;
    map.Iterate([&](const QString&, TLySongProperties* entry) {
        count += entry->Primary();
        return true;
    });
    return count;
}

// Title, artist, album and genre of the songs of two libraries. Library Two's texts are
// upper-cased when the file is built, and a title starting "~" stores that track decomposed.
using TSongTexts = QList<std::array<const char*, 4>>;
const TSongTexts kSongsOne = {
    {"Любовь моя", "Сергей Волков", "Летний вечер", "Поп"},
    {"Тёмная ночь", "Марк Бернес", "Песни войны", "Шансон"},
    {"Σε θυμάμαι", "Νίκος Παπάζογλου", "Χαράτσι", "Ροκ"},
    {"Ο έρωτας", "Χαρούλα Αλεξίου", "Τα τσιγάρα", "Λαϊκό"},
    {"ありがとう", "いきものがかり", "ハジマリノウタ", "ポップ"},
    {"夜に駆ける", "YOASOBI", "THE BOOK", "ポップ"},
    {"봄날", "방탄소년단", "윙스", "케이팝"},
    {"ירושלים של זהב", "שולי נתן", "שירים", "עממי"},
    {"أنت عمري", "أم كلثوم", "أنت عمري", "طرب"},
    {"तुम ही हो", "अरिजीत सिंह", "आशिकी दो", "फ़िल्मी"},
    {"Love Song", "ABBA", "Gold", "Pop"},
    {"Colour", "Blur", "Parklife", "Rock"},
    {"Waterloo", "ABBA", "Gold", "Pop"},
};
const TSongTexts kSongsTwo = {
    {"Любовь моя", "Сергей Волков", "Летний вечер", "Поп"},
    {"~Тёмная ночь!", "Марк Бернес", "Песни войны", "Шансон"},
    {"Σε θυμάμαι", "Νίκος Παπάζογλου", "Χαράτσι", "Ροκ"},
    {"Ο έρωτας", "Χαρούλα Αλεξίου", "", "Λαϊκό"},
    {"~ありがとう", "いきものがかり", "ハジマリノウタ", "ポップ"},
    {"夜に駆ける", "YOASOBI", "THE BOOK", "ロック"},
    {"~봄날", "방탄소년단", "윙스", "케이팝"},
    {"ירושלים של זהב", "נעמי שמר", "שירים", "עממי"},
    {"~أنت عمري", "أم كلثوم", "أنت عمري", "طرب"},
    {"तुम ही हो", "अरिजीत सिंह", "आशिकी दो", "फ़िल्मी"},
    {"कल हो ना हो", "सोनू निगम", "कल हो ना हो", "फ़िल्मी"},
    {"Love-Song!", "Abba", "Gold", "Pop"},
    {"Color", "Blur", "Parklife", "Rock"},
};

// `text` with every run of non-ASCII characters replaced by an ASCII word, the same word for
// the same run (letter case and normalisation ignored) and upper-case for an upper-case run.
// The words are "Za?a?a?a" with consonants of distinct Soundex digits, so that every key mode
// tells them apart, and "Z" starts no other text.
QString AsciiCopy(const QString& text, QHash<QString, QString>& words) {
    static const char consonants[] = "BCDLMR";
    QString copy;
    for (qsizetype i = 0, end = 0; i < text.size(); i = end) {
        end = i + 1;
        if (text.at(i).unicode() < 0x80) {
            copy += text.at(i);
            continue;
        }
        while (end < text.size() && text.at(end).unicode() >= 0x80)
            ++end;
        const QString run = text.mid(i, end - i);
        QString& word = words[run.normalized(QString::NormalizationForm_C).toCaseFolded()];
        if (word.isEmpty()) {
            const auto n = words.size() - 1;
            word = QStringLiteral("Za%1a%2a%3a")
                       .arg(QChar(consonants[n / 36 % 6]), QChar(consonants[n / 6 % 6]),
                            QChar(consonants[n % 6]))
                       .toLower();
        }
        copy += run == run.toUpper() && run != run.toLower() ? word.toUpper() : word;
    }
    return copy;
}

QByteArray LibraryXml(const TSongTexts& songs, const QString& side, bool upperCase,
                      QHash<QString, QString>* asciiWords) {
    QList<TLyLibraryTrack> tracks;
    for (const auto& song : songs) {
        TLyLibraryTrack track{{"Track ID", "integer", QString::number(tracks.size() + 1)}};
        const bool decomposed = song[0][0] == '~';
        for (int part = sdName; part <= sdGenre; ++part) {
            QString text = QString::fromUtf8(song[part] + (part == sdName && decomposed));
            if (upperCase)
                text = text.toUpper();
            if (decomposed)
                text = text.normalized(QString::NormalizationForm_D);
            if (asciiWords)
                text = AsciiCopy(text, *asciiWords);
            static const char* const keys[] = {"Name", "Artist", "Album", "Genre"};
            track << TLyLibraryPair{keys[part], "string", text};
        }
        track << TLyLibraryPair{"Location", "string",
                                QStringLiteral("file:///%1-%2.mp3").arg(side).arg(tracks.size())};
        tracks << track;
    }
    return MakeLibraryXml(tracks);
}

// The songs that matching the two libraries gives, each as "one location|two location".
QStringList MatchedPairs(const QByteArray& one, const QByteArray& two,
                         const TLyCompareOptions& options) {
    TLyTempFolder folder;
    auto documentOne = LoadLibraryDocument(folder.WriteFile("one.xml", one), nullptr, nullptr);
    auto documentTwo = LoadLibraryDocument(folder.WriteFile("two.xml", two), nullptr, nullptr);
    TLyLibraryOptions library;
    auto mapOne = ReadLibrary(*documentOne, library, options, nullptr, nullptr);
    auto mapTwo = ReadLibrary(*documentTwo, library, options, nullptr, nullptr);
    TLyProcess process;
    process.StartMainTask(2, QStringLiteral("Match"));
    TLyMatchResult result(nullptr, nullptr, nullptr);
    result.Match(mapOne.get(), mapTwo.get(), &process, &options);
    QStringList pairs;
    for (const TLySong* song : result.Songs())
        pairs << song->OriginalOne().Location() + u'|' + song->OriginalTwo().Location();
    pairs.sort();
    return pairs;
}

} // namespace

class TestLyMatching : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { VxThreadsStartup(); }

    void soundex_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("code");
        const auto row = [](const char* name, const QString& text, const QString& code) {
            QTest::newRow(name) << text << code;
        };
        row("Robert", "Robert", "R163" + QString(16, u'0'));
        row("Tymczak", "Tymczak", "T522" + QString(16, u'0'));
        row("Colour", "Colour", "C46" + QString(17, u'0'));
        row("Color", "Color", "C46" + QString(17, u'0'));
        row("lower first letter", "ashcraft", "A2613" + QString(15, u'0'));
        row("digit first", "4ever", "416" + QString(17, u'0'));
        row("empty", "", "");
        row("long text is cut at 20", "BCDLMRBCDLMRBCDLMRBCDLMRBCDLMR", "B2345612345612345612");
        row("first character beyond the basic plane", "\U0001D400bc",
            "\U0001D40012" + QString(16, u'0'));
    }

    void soundex() {
        QFETCH(QString, text);
        QFETCH(QString, code);
        QCOMPARE(SoundexCode(text), code);
    }

    void keys_data() {
        QTest::addColumn<TLySongProperties>("track");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("components");
        QTest::addColumn<QString>("key");
        const TLySongProperties song =
            Track("Love-Song!").Artist("ABBA").Album("Gold").Genre("Pop").Build();
        const auto row = [](const char* name, const TLySongProperties& track, int mode,
                            int components, const QString& key) {
            QTest::newRow(name) << track << mode << components << key;
        };
        row("exact title and artist", song, int(scmExactMatch), 0b0011, "/Love-Song!/ABBA");
        row("alphanumeric drops punctuation", song, int(scmAlphanumericMatch), 0b1111,
            "/LoveSong/ABBA/Gold/Pop");
        row("empty component keeps its slash", Track("T").Build(), int(scmExactMatch), 0b0111,
            "/T//");
        row("no components", song, int(scmExactMatch), 0, "");
        row("alphanumeric keeps accented letters", Track("Café del Mar").Build(),
            int(scmAlphanumericMatch), 0b0001, "/CafédelMar");
        row("alphanumeric keeps letters of every script",
            Track("Любовь, моя!").Artist("坂本 九").Build(), int(scmAlphanumericMatch), 0b0011,
            "/Любовьмоя/坂本九");
        row("alphanumeric keeps combining marks", Track("שָׁלוֹם").Artist("तुम ही हो").Build(),
            int(scmAlphanumericMatch), 0b0011, "/שָׁלוֹם/तुमहीहो");
        // A CJK letter stays, a musical symbol goes.
        row("alphanumeric beyond the basic plane", Track("\U0002000B \U0001D11E").Build(),
            int(scmAlphanumericMatch), 0b0001, "/\U0002000B");
        row("phonetic", Track("Colour").Build(), int(scmPhoneticMatch), 0b0001,
            "/C46" + QString(17, u'0'));
        row("phonetic of Latin letters with accents", Track("Müller").Build(),
            int(scmPhoneticMatch), 0b0001, "/M46" + QString(17, u'0'));
        row("phonetic of Latin and other letters", Track("Tokyo 東京").Build(),
            int(scmPhoneticMatch), 0b0001, "/T2" + QString(18, u'0'));
        row("phonetic of other scripts is the alphanumeric text",
            Track("Любовь моя").Artist("!").Build(), int(scmPhoneticMatch), 0b0011, "/Любовьмоя/");
        // "Motörhead" stored decomposed (o + combining diaeresis) keys like the composed name.
        row("decomposed exact", Track(QStringLiteral("Moto\u0308rhead")).Build(),
            int(scmExactMatch), 0b0001, QStringLiteral("/Mot\u00F6rhead"));
        row("decomposed alphanumeric", Track(QStringLiteral("Moto\u0308rhead")).Build(),
            int(scmAlphanumericMatch), 0b0001, QStringLiteral("/Mot\u00F6rhead"));
        row("persistent ID whatever the components",
            Track("T").Artist("X").PersistentId("0A1B").Build(), int(scmPersistentIdMatch), 0b0011,
            "#0A1B");
        row("no persistent ID keys as exact", Track("T!").Artist("X").Build(),
            int(scmPersistentIdMatch), 0b0011, "/T!/X");
        row("persistent ID unused by other modes", Track("T").PersistentId("0A1B").Build(),
            int(scmExactMatch), 0b0001, "/T");
    }

    void keys() {
        QFETCH(TLySongProperties, track);
        QFETCH(int, mode);
        QFETCH(int, components);
        QTEST(MakeKey(track, tLySongCompareMode(mode),
                      tLySongCompareComponentSet::FromBits(quint8(components))),
              "key");
    }

    void pairing_data() {
        QTest::addColumn<TLySongProperties>("one");
        QTest::addColumn<TLySongProperties>("two");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("components");
        QTest::addColumn<int>("canBeEmpty");
        QTest::addColumn<bool>("pairs");
        const auto row = [](const char* name, const TLySongProperties& one,
                            const TLySongProperties& two, int mode, int components, int canBeEmpty,
                            bool pairs) {
            QTest::newRow(name) << one << two << mode << components << canBeEmpty << pairs;
        };
        row("exact ignores case", Track("Love Song").Artist("ABBA").Build(),
            Track("love song").Artist("Abba").Build(), int(scmExactMatch), 0b0011, 0, true);
        row("alphanumeric ignores punctuation", Track("Love-Song!").Build(),
            Track("Love Song").Build(), int(scmAlphanumericMatch), 0b0001, 0, true);
        row("phonetic forgives spelling", Track("Colour").Build(), Track("Color").Build(),
            int(scmPhoneticMatch), 0b0001, 0, true);
        row("one letter differs, nothing may be empty", Track("T").Artist("Abba").Build(),
            Track("T").Artist("Abbo").Build(), int(scmExactMatch), 0b0011, 0, false);
        row("empty artist pairs through the shortened key", Track("T").Artist("X").Build(),
            Track("T").Build(), int(scmExactMatch), 0b0011, 0b0010, true);
        row("both artists set and different", Track("T").Artist("X").Build(),
            Track("T").Artist("Y").Build(), int(scmExactMatch), 0b0011, 0b0010, true);
        row("composed and decomposed names pair", Track(QStringLiteral("Mot\u00F6rhead")).Build(),
            Track(QStringLiteral("Moto\u0308rhead")).Build(), int(scmExactMatch), 0b0001, 0, true);
        row("same persistent ID, other texts",
            Track("Waterloo").Artist("ABBA").PersistentId("0A1B").Build(),
            Track("Waterloo (Live)").PersistentId("0a1b").Build(), int(scmPersistentIdMatch),
            0b0011, 0b0010, true);
        row("other persistent IDs, same texts", Track("T").PersistentId("0A1B").Build(),
            Track("T").PersistentId("0A1C").Build(), int(scmPersistentIdMatch), 0b0001, 0, false);
        row("persistent ID on one side only", Track("T").Artist("X").PersistentId("0A1B").Build(),
            Track("T").Build(), int(scmPersistentIdMatch), 0b0011, 0b0010, false);
        row("no persistent IDs: texts as exact, shortened", Track("T").Artist("X").Build(),
            Track("t").Build(), int(scmPersistentIdMatch), 0b0011, 0b0010, true);
    }

    void pairing() {
        QFETCH(TLySongProperties, one);
        QFETCH(TLySongProperties, two);
        QFETCH(int, mode);
        QFETCH(int, components);
        QFETCH(int, canBeEmpty);
        QFETCH(bool, pairs);
        const auto options = Options(tLySongCompareMode(mode),
                                     tLySongCompareComponentSet::FromBits(quint8(components)),
                                     tLySongCompareComponentSet::FromBits(quint8(canBeEmpty)));
        auto mapOne = MapOf({one}, *options);
        auto mapTwo = MapOf({two}, *options);
        TLySongProperties* primaryTwo = nullptr;
        mapTwo->Iterate([&](const QString&, TLySongProperties* entry) {
            if (entry->Primary())
                primaryTwo = entry;
            return true;
        });
        QVERIFY(primaryTwo);
        const TLySongProperties* found = FindMatch(*primaryTwo, *mapOne, *options);
        QCOMPARE(found != nullptr, pairs);
        if (found)
            QCOMPARE(found->Name(), one.Name());
    }

    void shortenedKeysBelongToTheFirstTrack() {
        // One (T, X); Two (T, Y) and (T, Z): both Two tracks find the One track through its
        // shortened key "/T" (the title alone).
        const auto options = Options(scmExactMatch, {sccTitle, sccArtist}, {sccArtist});
        auto mapOne =
            MapOf({Track("T").Artist("X").Build(), Track("T").Artist("W").Build()}, *options);
        QCOMPARE(mapOne->Count(), 3); // two full keys and one shortened key
        const TLySongProperties* shortened = mapOne->Find(QStringLiteral("/t"));
        QVERIFY(shortened);
        QVERIFY(!shortened->Primary());
        QCOMPARE(shortened->Artist(), QStringLiteral("X")); // the first track's
        QCOMPARE(shortened->Key(), QStringLiteral("/T"));
        for (const QString& artist : {QStringLiteral("Y"), QStringLiteral("Z")}) {
            TLySongProperties two = Track("T").Artist(artist).Build();
            two.SetKey(MakeKey(two, scmExactMatch, {sccTitle, sccArtist}));
            QCOMPARE(FindMatch(two, *mapOne, *options)->Artist(), QStringLiteral("X"));
        }
    }

    void duplicateFullKeysKeepTheLastTrack() {
        const auto options =
            Options(scmExactMatch, {sccTitle, sccArtist, sccAlbum}, {sccArtist, sccAlbum});
        auto map = MapOf({Track("T").Artist("A").Album("B").PlayCount(1).Build(),
                          Track("t").Artist("a").Album("b").PlayCount(2).Build()},
                         *options);
        QCOMPARE(PrimaryCount(*map), 1);
        QCOMPARE(map->Find(QStringLiteral("/T/A/B"))->PlayCount(), 2);
        // The earlier track's shortened entries stay and can still be found.
        QVERIFY(map->Find(QStringLiteral("/T/B")));
        QCOMPARE(map->Find(QStringLiteral("/T/B"))->PlayCount(), 1);
        QCOMPARE(map->Find(QStringLiteral("/T"))->PlayCount(), 1);
        // the full key, "/T/A", "/T" and "/T/B" (the other drop order repeats "/T")
        QCOMPARE(map->Count(), 4);
    }

    void emptyKeyOfTitleOnlyMatching() {
        // Title may be empty: every track also gets the empty key, owned by the first track.
        const auto options = Options(scmExactMatch, {sccTitle}, {sccTitle});
        auto mapOne = MapOf({Track("First").Build(), Track("Second").Build()}, *options);
        QCOMPARE(mapOne->Find(QString())->Name(), QStringLiteral("First"));
        TLySongProperties lonely = Track("Nothing like it").Build();
        lonely.SetKey(MakeKey(lonely, scmExactMatch, {sccTitle}));
        QCOMPARE(FindMatch(lonely, *mapOne, *options)->Name(), QStringLiteral("First"));
    }

    void otherScriptsPairAsAsciiWordsWould_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("exactComponents"); // else the default of new compare options
        QTest::addColumn<int>("matched");
        QTest::newRow("exact, default components") << int(scmExactMatch) << false << 9;
        QTest::newRow("exact, all components") << int(scmExactMatch) << true << 6;
        QTest::newRow("alphanumeric, default components")
            << int(scmAlphanumericMatch) << false << 11;
        QTest::newRow("alphanumeric, all components") << int(scmAlphanumericMatch) << true << 8;
        QTest::newRow("phonetic, default components") << int(scmPhoneticMatch) << false << 12;
        QTest::newRow("phonetic, all components") << int(scmPhoneticMatch) << true << 9;
    }

    void otherScriptsPairAsAsciiWordsWould() {
        // Text of any script pairs as the same libraries do with each word spelled in ASCII.
        QFETCH(int, mode);
        QFETCH(bool, exactComponents);
        TLyCompareOptions options;
        if (exactComponents)
            options.SetExactMatch();
        options.SetMode(tLySongCompareMode(mode));
        QHash<QString, QString> words;
        const QStringList pairs =
            MatchedPairs(LibraryXml(kSongsOne, "one", false, nullptr),
                         LibraryXml(kSongsTwo, "two", true, nullptr), options);
        const QStringList asciiPairs =
            MatchedPairs(LibraryXml(kSongsOne, "one", false, &words),
                         LibraryXml(kSongsTwo, "two", true, &words), options);
        QCOMPARE(pairs, asciiPairs);
        QTEST(int(pairs.filter(QRegularExpression(QStringLiteral(".\\|."))).size()), "matched");
    }
};

QTEST_APPLESS_MAIN(TestLyMatching)
#include "tst_LyMatching.moc"
