// Matching keys under the four compare modes, tracks of other scripts and phonetic keys;
// pairing tracks into songs, the synchronise rules, the best matches, the hand operations that
// unpair, pair and commit songs, and editing many songs at once.
#include "LibraryBuilders.h"
#include "LyLibraryFile.h"
#include "LyMatchResult.h"
#include "LyMatching.h"
#include "LyProcess.h"
#include "LyProcessRecorder.h"
#include "LyProject.h"
#include "LySongSelection.h"
#include "LyTestSupport.h"
#include "LyView.h"
#include "SongBuilders.h"
#include "VxThreads.h"

#include <QTest>

Q_DECLARE_METATYPE(TLySongProperties)

namespace {

class TCountingListener : public ILySongSelectionListener {
public:
    QList<TLySongSelection*> Calls;
    void SelectionChanged(TLySongSelection* selection) override { Calls << selection; }
};

// A song list that lets go of the selection when it hears that the songs are about to change.
class TClearingListener : public TLyProcessListener {
public:
    explicit TClearingListener(TLySongSelection& selection)
        : FSelection(selection) {}
    int Calls = 0;
    void OwnerChanging(TLyProcess*) override {
        ++Calls;
        FSelection.BeginUpdate();
        FSelection.Clear();
        FSelection.EndUpdate();
    }

private:
    TLySongSelection& FSelection;
};

std::unique_ptr<TLyCompareOptions> Options(tLySongCompareMode mode,
                                           tLySongCompareComponentSet components,
                                           tLySongCompareComponentSet canBeEmpty) {
    auto options = std::make_unique<TLyCompareOptions>();
    options->SetMode(mode);
    options->SetComponents(components);
    options->SetCanBeEmpty(canBeEmpty);
    return options;
}

int CountWhere(const TLySongList& songs, const std::function<bool(const TLySong*)>& test) {
    int count = 0;
    for (const TLySong* song : songs)
        count += test(song);
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

class TestLyMatchResult : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { VxThreadsStartup(); }

    void pairing_data() {
        QTest::addColumn<TLySongProperties>("one");
        QTest::addColumn<TLySongProperties>("two");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("components");
        QTest::addColumn<int>("canBeEmpty");
        QTest::addColumn<bool>("pairs");
        const auto row = [](const char* name, const TLyTrackBuilder& one,
                            const TLyTrackBuilder& two, tLySongCompareMode mode, int components,
                            int canBeEmpty, bool pairs) {
            QTest::newRow(name) << one.Build() << two.Build() << int(mode) << components
                                << canBeEmpty << pairs;
        };
        row("exact ignores case", Track("Love Song").Artist("ABBA"),
            Track("love song").Artist("Abba"), scmExactMatch, 0b0011, 0, true);
        row("alphanumeric ignores punctuation", Track("Love-Song!"), Track("Love Song"),
            scmAlphanumericMatch, 0b0001, 0, true);
        row("phonetic forgives spelling", Track("Colour"), Track("Color"), scmPhoneticMatch, 0b0001,
            0, true);
        row("one letter differs, nothing may be empty", Track("T").Artist("Abba"),
            Track("T").Artist("Abbo"), scmExactMatch, 0b0011, 0, false);
        row("empty artist pairs through the shortened key", Track("T").Artist("X"), Track("T"),
            scmExactMatch, 0b0011, 0b0010, true);
        row("both artists set and different", Track("T").Artist("X"), Track("T").Artist("Y"),
            scmExactMatch, 0b0011, 0b0010, true);
        row("composed and decomposed names pair", Track(QStringLiteral("Mot\u00F6rhead")),
            Track(QStringLiteral("Moto\u0308rhead")), scmExactMatch, 0b0001, 0, true);
        row("same persistent ID, other texts",
            Track("Waterloo").Artist("ABBA").PersistentId("0A1B"),
            Track("Waterloo (Live)").PersistentId("0a1b"), scmPersistentIdMatch, 0b0011, 0b0010,
            true);
        row("other persistent IDs, same texts", Track("T").PersistentId("0A1B"),
            Track("T").PersistentId("0A1C"), scmPersistentIdMatch, 0b0001, 0, false);
        row("persistent ID on one side only", Track("T").Artist("X").PersistentId("0A1B"),
            Track("T"), scmPersistentIdMatch, 0b0011, 0b0010, false);
        row("no persistent IDs: texts as exact, shortened", Track("T").Artist("X"), Track("t"),
            scmPersistentIdMatch, 0b0011, 0b0010, true);
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

    void synchronizeRules_data() {
        QTest::addColumn<int>("part");
        QTest::addColumn<int>("action");
        QTest::addColumn<QVariant>("one");
        QTest::addColumn<QVariant>("two");
        QTest::addColumn<QVariant>("expected");
        const auto row = [](const char* name, tLySongPart part, tLySynchronizeAction action,
                            const QVariant& one, const QVariant& two, const QVariant& expected) {
            QTest::newRow(name) << int(part) << int(action) << one << two << expected;
        };
        const QVariant beatles("Beatles"), lower("beatles");
        row("max: lower case sorts after capitals", sdArtist, saUseMax, beatles, lower, lower);
        row("min keeps capitals", sdArtist, saUseMin, beatles, lower, beatles);
        row("use one, one empty", sdArtist, saUseOne, QVariant(""), QVariant("Queen"),
            QVariant("Queen"));
        row("use two, two empty", sdAlbum, saUseTwo, QVariant("Gold"), QVariant(""),
            QVariant("Gold"));
        row("use two", sdGenre, saUseTwo, QVariant("Rock"), QVariant("Pop"), QVariant("Pop"));
        row("prefix sorts first", sdName, saUseMax, QVariant("Song"), QVariant("Song 2"),
            QVariant("Song 2"));
        row("rating min", sdRating, saUseMin, 60, 80, 60);
        row("rating zero never wins (min)", sdRating, saUseMin, 0, 80, 80);
        row("rating zero never wins (use one)", sdRating, saUseOne, 0, 80, 80);
        row("play count use two, two never played", sdPlayCount, saUseTwo, 12, 0, 12);
        row("play count max", sdPlayCount, saUseMax, 3, 9, 9);
        const double d2006 = EncodeDateTime(2006, 1, 1), d2007 = EncodeDateTime(2007, 5, 5);
        row("date max", sdLastPlayed, saUseMax, d2006, d2007, d2007);
        row("date min", sdLastPlayed, saUseMin, d2006, d2007, d2006);
        row("never played never wins", sdLastPlayed, saUseMin, 0.0, d2007, d2007);
        row("ignore", sdRating, saIgnore, 20, 80, QVariant());
    }

    void synchronizeRules() {
        QFETCH(int, part);
        QFETCH(int, action);
        QFETCH(QVariant, one);
        QFETCH(QVariant, two);
        QFETCH(QVariant, expected);
        TLySongProperties a = Track("x").Build(), b = Track("x").Build();
        a.SetValue(tLySongPart(part), one);
        b.SetValue(tLySongPart(part), two);
        auto song = MakeSong(a, b);
        TLyProjectOptions options;
        for (int p = sdName; p <= sdRating; ++p)
            options.SetAction(tLySongPart(p), saIgnore);
        options.SetAction(tLySongPart(part), tLySynchronizeAction(action));
        song->Synchronize(options);
        const QVariant gotOne = song->CurrentOne().GetValue(tLySongPart(part));
        const QVariant gotTwo = song->CurrentTwo().GetValue(tLySongPart(part));
        if (!expected.isValid()) { // ignored: both keep their own
            QCOMPARE(gotOne, one);
            QCOMPARE(gotTwo, two);
            QVERIFY(!song->IsModifiedAny());
            return;
        }
        QCOMPARE(gotOne.toString(), expected.toString());
        QCOMPARE(gotTwo.toString(), expected.toString());
        QVERIFY(!song->Differences().Contains(tLySongPart(part)));
    }

    void handEditsAreProtectedUnlessForced() {
        auto song = MakeSong(Track("x").Rating(40).PlayCount(3).Build(),
                             Track("x").Rating(80).PlayCount(5).Build());
        song->CurrentOne().SetRating(100); // by hand
        song->CalculateDifferences();
        TLyProjectOptions options; // rating and play count: use max
        song->Synchronize(options);
        QCOMPARE(song->CurrentOne().Rating(), 100);
        QCOMPARE(song->CurrentTwo().Rating(), 80);
        QCOMPARE(song->ModifiedOne(), (tLySongPartSet{sdPlayCount, sdRating}));
        song->CurrentTwo().SetPlayCount(7); // a later hand edit: synchronising again keeps it
        song->CalculateDifferences();
        song->Synchronize(options);
        QCOMPARE(song->CurrentOne().PlayCount(), 5);
        QCOMPARE(song->CurrentTwo().PlayCount(), 7);
        options.SetForceSynchronize(true);
        song->Synchronize(options);
        QCOMPARE(song->CurrentOne().Rating(), 80); // from the originals: the hand edit is lost
        QCOMPARE(song->CurrentTwo().Rating(), 80);
        QCOMPARE(song->CurrentOne().PlayCount(), 5);
    }

    void largeMatchKeepsTheOrderOfAWalk() {
        // Large maps are matched on two threads; the songs must still come in the order a plain
        // walk of the maps gives, with the partners FindMatch finds.
        TLyProcess process;
        process.StartMainTask(2, QStringLiteral("Match"));
        TLyCompareOptions options;
        options.SetMode(scmAlphanumericMatch);
        options.SetComponents({sccTitle, sccArtist, sccAlbum});
        options.SetCanBeEmpty({sccArtist, sccAlbum});
        QList<TLySongProperties> tracksOne;
        QList<TLySongProperties> tracksTwo;
        for (int i = 0; i < 9000; ++i) {
            const QString title = QStringLiteral("Song %1").arg(i % 7000);
            tracksOne << Track(title).Artist(QStringLiteral("A%1").arg(i % 13)).Album("X").Build();
            if (i % 3 != 0)
                tracksTwo << Track(title + (i % 5 == 0 ? "!" : ""))
                                 .Artist(i % 4 == 0 ? QString() : QStringLiteral("A%1").arg(i % 13))
                                 .Build();
        }
        auto one = MapOf(tracksOne, options);
        auto two = MapOf(tracksTwo, options);
        // Both past the size matched on two threads.
        QVERIFY2(one->Count() >= 20000 && two->Count() >= 20000,
                 qPrintable(QStringLiteral("%1 %2").arg(one->Count()).arg(two->Count())));

        QStringList expected;
        const auto describe = [](const TLySongProperties* a, const TLySongProperties* b) {
            return (a ? a->Key() : QString("-")) + u'|' + (b ? b->Key() : QString("-"));
        };
        two->Iterate([&](const QString&, TLySongProperties* entry) {
            if (entry->Primary())
                expected << describe(FindMatch(*entry, *one, options), entry);
            return true;
        });
        one->Iterate([&](const QString&, TLySongProperties* entry) {
            if (entry->Primary() && !FindMatch(*entry, *two, options))
                expected << describe(entry, nullptr);
            return true;
        });
        TLyMatchResult result(nullptr, nullptr, nullptr);
        result.Match(one.get(), two.get(), &process, &options);
        QStringList actual;
        for (const TLySong* song : result.Songs())
            actual << describe(song->OriginalOne().Exists() ? &song->OriginalOne() : nullptr,
                               song->OriginalTwo().Exists() ? &song->OriginalTwo() : nullptr);
        QCOMPARE(actual.size(), expected.size());
        QCOMPARE(actual, expected);
    }

    void unmatchSplitsASong() {
        TLyMatchResult result(nullptr, nullptr, nullptr);
        TLySong* song =
            MakeSong(Track("x").Rating(20).Build(), Track("x").Rating(40).Build()).release();
        result.Songs().Add(song);
        song->CurrentOne().SetRating(100);
        song->CalculateDifferences();
        result.Unmatch(song);
        QCOMPARE(result.Songs().Count(), 2);
        TLySong* alone = result.Songs().Items(1);
        QVERIFY(alone->OriginalOne().Exists() && !alone->OriginalTwo().Exists());
        QCOMPARE(alone->CurrentOne().Rating(), 20); // the hand edit is dropped
        QVERIFY(!alone->Checked());
        QVERIFY(!song->OriginalOne().Exists() && song->OriginalTwo().Exists());
        QVERIFY(song->Checked());
        for (const TLySong* s : {alone, song}) {
            QCOMPARE(s->Differences(), kLyAllSongParts);
            QVERIFY(!s->IsModifiedAny());
        }
        LY_EXPECT_ASSERTION(result.Unmatch(song), "Units/LyProject");
    }

    void combineConsumesOnlyAnUnmatchedSong_data() {
        QTest::addColumn<bool>("unmatchedToo");
        // The matched song comes first in the list: a lookup by equal values alone would take it,
        // and its library Two track would leave the result.
        QTest::newRow("an unmatched song with the values goes") << true;
        QTest::newRow("only a matched song holds them: refused") << false;
    }

    void combineConsumesOnlyAnUnmatchedSong() {
        QFETCH(bool, unmatchedToo);
        TLyMatchResult result(nullptr, nullptr, nullptr);
        TLySong* lonely = MakeSong(std::nullopt, Track("Lonely").Build()).release();
        TLySong* matched = MakeSong(Track("Shared").Build(), Track("Partner").Build()).release();
        result.Songs().Add(lonely);
        result.Songs().Add(matched);
        TLySong* unmatched = nullptr;
        if (unmatchedToo) {
            unmatched = MakeSong(Track("Shared").Build(), std::nullopt).release();
            result.Songs().Add(unmatched);
        }
        auto candidate = MakeSong(Track("Shared").Build(), std::nullopt);
        const int before = result.Songs().Count();
        if (unmatchedToo) {
            result.MatchSongs(lonely, candidate.get());
            QVERIFY(lonely->IsMatched());
            QVERIFY(!result.Songs().Contains(unmatched));
            QCOMPARE(result.Songs().Count(), before - 1);
        } else {
            QString message;
            LY_EXPECT_EXCEPTION(ELyProjectError, result.MatchSongs(lonely, candidate.get()),
                                message);
            QVERIFY2(message.contains(QStringLiteral("[Shared]")), qPrintable(message));
            QVERIFY(!lonely->OriginalOne().Exists());
            QCOMPARE(result.Songs().Count(), before);
            QVERIFY(!result.Updating());
        }
        QVERIFY(result.Songs().Contains(matched));
        QCOMPARE(matched->OriginalTwo().Name(), QStringLiteral("Partner"));
    }

    void commitToParent() {
        TLyMatchResult parent(nullptr, nullptr, nullptr);
        TLySong* a = MakeSong(Track("A").Build(), std::nullopt).release();
        TLySong* b = MakeSong(std::nullopt, Track("a").Build()).release();
        TLySong* keep = MakeSong(Track("K").Build(), Track("K").Build()).release();
        for (TLySong* s : {a, b, keep})
            parent.Songs().Add(s);
        TChangingRecorder recorder;
        TLyOptions appOptions;
        TLyMatchResult child(nullptr, &parent, appOptions.MatchWindow()->Views());
        child.CreateViews();
        TLyView* view = child.View(QStringLiteral("All"));
        view->Listeners()->AddListener(&recorder);
        child.Sources().Add(a);
        child.Sources().Add(b);
        TLySong* matched = MakeSong(Track("A").Build(), Track("a").Build()).release();
        child.Songs().Add(matched);
        child.CommitToParent();
        QCOMPARE(parent.Songs().Count(), 2);
        QVERIFY(parent.Songs().Contains(keep));
        QVERIFY(parent.Songs().Contains(matched));
        QVERIFY(child.Songs().IsEmpty());
        QCOMPARE(recorder.Threads.size(),
                 qsizetype(1)); // the match window's songs leave inside an update
        view->Listeners()->RemoveListener(&recorder);

        // A source missing from the parent fails before anything changes; no update stays open.
        auto missing = MakeSong(Track("M").Build(), std::nullopt);
        TLyMatchResult stray(nullptr, &parent, nullptr);
        stray.Sources().Add(missing.get());
        stray.Songs().Add(MakeSong(Track("M").Build(), Track("M").Build()).release());
        LY_EXPECT_ASSERTION(stray.CommitToParent(), "Units/LyProject");
        QVERIFY(!parent.Updating());
        QCOMPARE(parent.Songs().Count(), 2);
        QCOMPARE(stray.Songs().Count(), 1);
        TLyMatchResult orphan(nullptr, nullptr, nullptr);
        LY_EXPECT_ASSERTION(orphan.CommitToParent(), "Units/LyProject");
    }

    void editsReachEverySong() {
        TLyMatchResult result(nullptr, nullptr, nullptr);
        for (const QString& genre : {QStringLiteral("Rock"), QStringLiteral("Pop"), QString()})
            result.Songs().Add(
                MakeSong(Track("x").Genre(genre).Build(), Track("x").Genre("Rock").Build())
                    .release());
        TLySongSelection selection(&result);
        for (TLySong* song : result.Songs())
            selection.Add(song);
        selection.SetValue(sdGenre, QStringLiteral("Rock"));
        QVERIFY(!result.Updating());
        for (const TLySong* song : result.Songs()) {
            QCOMPARE(song->CurrentOne().Genre(), QStringLiteral("Rock"));
            QCOMPARE(song->CurrentTwo().Genre(), QStringLiteral("Rock"));
            QVERIFY(!song->PartModified(1, sdGenre)); // the original was Rock already
            QCOMPARE(song->PartModified(0, sdGenre), song->OriginalOne().Genre() != u"Rock");
        }
        selection.RevertPart(sdGenre);
        QCOMPARE(result.Songs().Items(1)->CurrentOne().Genre(), QStringLiteral("Pop"));
        selection.CopyPartFrom(0, sdGenre); // both take library One's value
        QCOMPARE(result.Songs().Items(1)->CurrentTwo().Genre(), QStringLiteral("Pop"));
        QCOMPARE(result.Songs().Items(2)->CurrentTwo().Genre(), QString());
        QString message;
        LY_EXPECT_EXCEPTION(ELyProjectError,
                            selection.SetValue(sdPlayCount, QStringLiteral("many")), message);
        QVERIFY(!result.Updating()); // the update closes also on a failure
    }

    void editsSurviveAListThatClearsTheSelection() {
        TLyOptions appOptions;
        TLyMatchResult result(nullptr, nullptr, appOptions.ProjectWindow()->Views());
        result.CreateViews();
        TLySongSelection selection(&result);
        for (const QString& name : {QStringLiteral("a"), QStringLiteral("b")}) {
            result.Songs().Add(MakeSong(Track(name).Build(), Track(name).Build()).release());
            selection.Add(result.Songs().Last());
        }
        TClearingListener list(selection);
        TLyView* view = result.View(QStringLiteral("All"));
        view->Listeners()->AddListener(&list);
        selection.SetValue(sdGenre, QStringLiteral("Jazz"));
        view->Listeners()->RemoveListener(&list);
        QCOMPARE(list.Calls, 1);
        QCOMPARE(selection.Count(), 0);
        for (const TLySong* song : result.Songs())
            QCOMPARE(song->CurrentTwo().Genre(), QStringLiteral("Jazz"));
    }

    void selectionFollowsANewMatchResult() {
        // A window that gets a new project hands its selection the new project's match result.
        TLyProject first(nullptr, nullptr);
        TLyProject second(nullptr, nullptr);
        first.MatchResult()->Songs().Add(MakeSong(Track("a").Build(), std::nullopt).release());
        second.MatchResult()->Songs().Add(MakeSong(Track("b").Build(), std::nullopt).release());
        TLySongSelection selection(first.MatchResult());
        selection.Add(first.MatchResult()->Songs().First());
        TCountingListener listener;
        selection.AddListener(&listener);
        selection.SetMatchResult(second.MatchResult());
        QCOMPARE(selection.MatchResult(), second.MatchResult());
        QCOMPARE(selection.Count(), 0); // the songs of the first result are not the second's
        QCOMPARE(listener.Calls.size(), 2);
        selection.Add(second.MatchResult()->Songs().First());
        selection.SetValue(sdGenre, QStringLiteral("Jazz"));
        QVERIFY(second.Modified());
        QVERIFY(!first.Modified());
        selection.RemoveListener(&listener);
    }
    void keys_data() {
        QTest::addColumn<TLySongProperties>("track");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("components");
        QTest::addColumn<QString>("key");
        const TLyTrackBuilder song = Track("Love-Song!").Artist("ABBA").Album("Gold").Genre("Pop");
        const auto row = [](const char* name, const TLyTrackBuilder& track, tLySongCompareMode mode,
                            int components, const QString& key) {
            QTest::newRow(name) << track.Build() << int(mode) << components << key;
        };
        row("exact title and artist", song, scmExactMatch, 0b0011, "/Love-Song!/ABBA");
        row("alphanumeric drops punctuation", song, scmAlphanumericMatch, 0b1111,
            "/LoveSong/ABBA/Gold/Pop");
        row("empty component keeps its slash", Track("T"), scmExactMatch, 0b0111, "/T//");
        row("no components", song, scmExactMatch, 0, "");
        row("alphanumeric keeps accented letters", Track("Café del Mar"), scmAlphanumericMatch,
            0b0001, "/CafédelMar");
        row("alphanumeric keeps letters of every script", Track("Любовь, моя!").Artist("坂本 九"),
            scmAlphanumericMatch, 0b0011, "/Любовьмоя/坂本九");
        row("alphanumeric keeps combining marks", Track("שָׁלוֹם").Artist("तुम ही हो"),
            scmAlphanumericMatch, 0b0011, "/שָׁלוֹם/तुमहीहो");
        // A CJK letter stays, a musical symbol goes.
        row("alphanumeric beyond the basic plane", Track("\U0002000B \U0001D11E"),
            scmAlphanumericMatch, 0b0001, "/\U0002000B");
        row("phonetic", Track("Colour"), scmPhoneticMatch, 0b0001, "/C46" + QString(17, u'0'));
        row("phonetic of Latin letters with accents", Track("Müller"), scmPhoneticMatch, 0b0001,
            "/M46" + QString(17, u'0'));
        row("phonetic of Latin and other letters", Track("Tokyo 東京"), scmPhoneticMatch, 0b0001,
            "/T2" + QString(18, u'0'));
        row("phonetic of other scripts is the alphanumeric text", Track("Любовь моя").Artist("!"),
            scmPhoneticMatch, 0b0011, "/Любовьмоя/");
        // "Motörhead" stored decomposed (o + combining diaeresis) keys like the composed name.
        row("decomposed exact", Track(QStringLiteral("Moto\u0308rhead")), scmExactMatch, 0b0001,
            QStringLiteral("/Mot\u00F6rhead"));
        row("decomposed alphanumeric", Track(QStringLiteral("Moto\u0308rhead")),
            scmAlphanumericMatch, 0b0001, QStringLiteral("/Mot\u00F6rhead"));
        row("persistent ID whatever the components", Track("T").Artist("X").PersistentId("0A1B"),
            scmPersistentIdMatch, 0b0011, "#0A1B");
        row("no persistent ID keys as exact", Track("T!").Artist("X"), scmPersistentIdMatch, 0b0011,
            "/T!/X");
        row("persistent ID unused by other modes", Track("T").PersistentId("0A1B"), scmExactMatch,
            0b0001, "/T");
    }

    void keys() {
        QFETCH(TLySongProperties, track);
        QFETCH(int, mode);
        QFETCH(int, components);
        QTEST(MakeKey(track, tLySongCompareMode(mode),
                      tLySongCompareComponentSet::FromBits(quint8(components))),
              "key");
    }

    void bestMatchesOfferEachValueOnce() {
        TLyCompareOptions options;
        options.SetPhoneticMatch();
        auto map = MapOf({Track("Colour").Artist("A").Build(), Track("Color").Artist("B").Build(),
                          Track("Other").Build()},
                         options);
        TLyMatchResult result(nullptr, nullptr, nullptr);
        const TLySongProperties wanted = Track("Colur").Artist("C").Build();
        auto candidates = result.FindBestMatches(&wanted, map.get(), 0, &options);
        QStringList names;
        for (const TLySong* song : *candidates) {
            names << song->OriginalOne().Name() + u'/' + song->OriginalOne().Artist();
            QVERIFY(!song->OriginalTwo().Exists());
        }
        names.sort();
        QCOMPARE(names, (QStringList{"Colour/A"})); // found under several keys, offered once
        // With the title droppable, a song that differs in its title only is offered.
        options.SetCanBeEmpty({sccTitle});
        auto titles = MapOf({Track("Different").Artist("Z").Build()}, options);
        const TLySongProperties other = Track("Other").Artist("Z").Build();
        QCOMPARE(result.FindBestMatches(&other, titles.get(), 0, &options)->Count(), 1);
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

    void matchPairsAndListsTheRest() {
        TLyProcess process;
        TRunRecorder recorder;
        process.SetListener(&recorder);
        process.StartMainTask(2, QStringLiteral("Match"));
        TLyCompareOptions options;
        options.SetExactMatch();
        auto one = MapOf({Track("A").Build(), Track("B").Build(), Track("C").Build()}, options);
        auto two = MapOf({Track("a").Build(), Track("D").Build()}, options);
        TLyMatchResult result(nullptr, nullptr, nullptr);
        result.Match(one.get(), two.get(), &process, &options);
        QCOMPARE(result.Songs().Count(), 4); // A-a, D alone, B alone, C alone
        QCOMPARE(CountWhere(result.Songs(), [](const TLySong* s) { return s->IsMatched(); }), 1);
        QCOMPARE(CountWhere(result.Songs(), [](const TLySong* s) { return s->Checked(); }), 1);
        QCOMPARE(CountWhere(result.Songs(),
                            [](const TLySong* s) { return s->Differences() == kLyAllSongParts; }),
                 3);
        QVERIFY(!result.Updating());
        QVERIFY(!result.CompareOptions());
        QCOMPARE(recorder.SubTaskStepCounts, (QList<int>{2, 3})); // the songs of Two, then of One
    }
};

QTEST_GUILESS_MAIN(TestLyMatchResult)
#include "tst_LyMatchResult.moc"
