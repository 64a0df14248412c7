// Pairing tracks into songs, the synchronise rules, the hand operations that unpair, pair and
// commit songs, and the merged values of selected songs and editing many songs at once.
#include "LyMatchResult.h"
#include "LyProcessRecorder.h"
#include "LyProject.h"
#include "LySongSelection.h"
#include "LyTestSupport.h"
#include "LyView.h"
#include "SongBuilders.h"

#include <QTest>

Q_DECLARE_METATYPE(TLySongProperties)

namespace {

int CountWhere(const TLySongList& songs, const std::function<bool(const TLySong*)>& test) {
    int count = 0;
    for (const TLySong* song : songs)
        count += test(song);
    return count;
}

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

} // namespace

class TestLyMatchResult : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { VxThreadsStartup(); }

    void synchronizeRules_data() {
        QTest::addColumn<int>("part");
        QTest::addColumn<int>("action");
        QTest::addColumn<QVariant>("one");
        QTest::addColumn<QVariant>("two");
        QTest::addColumn<QVariant>("expected");
        const QVariant beatles("Beatles"), lower("beatles");
        QTest::newRow("max: lower case sorts after capitals")
            << int(sdArtist) << int(saUseMax) << beatles << lower << lower;
        QTest::newRow("min keeps capitals")
            << int(sdArtist) << int(saUseMin) << beatles << lower << beatles;
        QTest::newRow("use one, one empty") << int(sdArtist) << int(saUseOne) << QVariant("")
                                            << QVariant("Queen") << QVariant("Queen");
        QTest::newRow("use two, two empty") << int(sdAlbum) << int(saUseTwo) << QVariant("Gold")
                                            << QVariant("") << QVariant("Gold");
        QTest::newRow("use two") << int(sdGenre) << int(saUseTwo) << QVariant("Rock")
                                 << QVariant("Pop") << QVariant("Pop");
        QTest::newRow("prefix sorts first") << int(sdName) << int(saUseMax) << QVariant("Song")
                                            << QVariant("Song 2") << QVariant("Song 2");
        QTest::newRow("rating min")
            << int(sdRating) << int(saUseMin) << QVariant(60) << QVariant(80) << QVariant(60);
        QTest::newRow("rating zero never wins (min)")
            << int(sdRating) << int(saUseMin) << QVariant(0) << QVariant(80) << QVariant(80);
        QTest::newRow("rating zero never wins (use one)")
            << int(sdRating) << int(saUseOne) << QVariant(0) << QVariant(80) << QVariant(80);
        QTest::newRow("play count use two, two never played")
            << int(sdPlayCount) << int(saUseTwo) << QVariant(12) << QVariant(0) << QVariant(12);
        QTest::newRow("play count max")
            << int(sdPlayCount) << int(saUseMax) << QVariant(3) << QVariant(9) << QVariant(9);
        const double d2006 = EncodeDateTime(2006, 1, 1), d2007 = EncodeDateTime(2007, 5, 5);
        QTest::newRow("date max") << int(sdLastPlayed) << int(saUseMax) << QVariant(d2006)
                                  << QVariant(d2007) << QVariant(d2007);
        QTest::newRow("date min") << int(sdLastPlayed) << int(saUseMin) << QVariant(d2006)
                                  << QVariant(d2007) << QVariant(d2006);
        QTest::newRow("never played never wins")
            << int(sdLastPlayed) << int(saUseMin) << QVariant(0.0) << QVariant(d2007)
            << QVariant(d2007);
        QTest::newRow("ignore") << int(sdRating) << int(saIgnore) << QVariant(20) << QVariant(80)
                                << QVariant();
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

    void revert() {
        auto song = MakeSong(Track("x").Genre("Pop").Rating(20).Build(),
                             Track("x").Genre("Rock").Rating(40).Build());
        const tLySongPartSet before = song->Differences();
        song->Revert(); // nothing modified: nothing happens
        QCOMPARE(song->Differences(), before);
        song->SetValueBoth(sdGenre, QStringLiteral("Jazz"));
        song->SetPartFrom(song->OriginalTwo(), sdRating);
        QCOMPARE(song->CurrentOne().Rating(), 40);
        QVERIFY(song->PartModified(0, sdGenre) && song->PartModified(1, sdGenre));
        song->RevertPart(sdGenre);
        QCOMPARE(song->CurrentOne().Genre(), QStringLiteral("Pop"));
        QCOMPARE(song->CurrentOne().Rating(), 40); // other parts stay
        song->Revert();
        QCOMPARE(song->CurrentOne().Rating(), 20);
        QVERIFY(!song->IsModifiedAny());
        TLySongProperties cleared;
        cleared.Clear();
        song->SetPartFrom(cleared, sdName); // a side without a track gives nothing
        QVERIFY(!song->IsModifiedAny());
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

    void matchSongsByHand() {
        TLyMatchResult result(nullptr, nullptr, nullptr);
        TLySong* two = MakeSong(std::nullopt, Track("Two").PlayCount(4).Build()).release();
        TLySong* one = MakeSong(Track("One").Build(), std::nullopt).release();
        result.Songs().Add(two);
        result.Songs().Add(one);
        result.MatchSongs(two, one);
        QCOMPARE(result.Songs().Count(), 1);
        QVERIFY(two->IsMatched());
        QVERIFY(two->Checked());
        QCOMPARE(two->OriginalOne().Name(), QStringLiteral("One"));
        QVERIFY(two->Differences().Contains(sdName));

        TLySong* lonely = MakeSong(Track("Lonely").Build(), std::nullopt).release();
        result.Songs().Add(lonely);
        LY_EXPECT_ASSERTION(result.MatchSongs(lonely, two), "Units/LyProject");
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
        // With every component droppable, a song that differs in its title only is offered.
        options.SetCanBeEmpty({sccTitle, sccArtist, sccAlbum, sccGenre});
        auto titles = MapOf({Track("Different").Artist("Z").Build()}, options);
        const TLySongProperties other = Track("Other").Artist("Z").Build();
        QCOMPARE(result.FindBestMatches(&other, titles.get(), 0, &options)->Count(), 1);
    }
    void mergedText_data() {
        QTest::addColumn<int>("part");
        QTest::addColumn<QVariantList>("values");
        QTest::addColumn<QString>("text");
        QTest::newRow("one song never played") << int(sdPlayCount) << QVariantList{0} << "---";
        QTest::newRow("ratings differ")
            << int(sdRating) << QVariantList{60, 80} << "(multiple values)";
        QTest::newRow("ratings agree") << int(sdRating) << QVariantList{60, 60} << "3";
        QTest::newRow("no genre, then Rock")
            << int(sdGenre) << QVariantList{"", "Rock"} << "(multiple values)";
        QTest::newRow("same genre") << int(sdGenre) << QVariantList{"Pop", "Pop", "Pop"} << "Pop";
        QTest::newRow("letter case counts")
            << int(sdArtist) << QVariantList{"ABBA", "Abba"} << "(multiple values)";
    }

    void mergedText() {
        QFETCH(int, part);
        QFETCH(QVariantList, values);
        std::vector<std::unique_ptr<TLySong>> songs;
        TLySongSelection selection;
        selection.BeginUpdate();
        selection.Clear();
        for (const QVariant& value : values) {
            TLySongProperties track = Track("x").Build();
            track.SetValue(tLySongPart(part), value);
            songs.push_back(MakeSong(track, track));
            selection.Add(songs.back().get());
        }
        selection.EndUpdate();
        QTEST(selection.OriginalOne().GetText(tLySongPart(part)), "text");
        QTEST(selection.CurrentTwo().GetText(tLySongPart(part)), "text");
        QCOMPARE(selection.Count(), int(values.size()));
    }

    void mergedSides() {
        // A side without a track contributes empty values; values read from a library are merged
        // as they are, even those a hand edit refuses.
        const TLySongProperties read = Track(QStringLiteral("Bell\u0007")).Rating(120).Build();
        auto matched = MakeSong(Track("A").Artist("X").Rating(20).Build(), read);
        auto twoOnly = MakeSong(std::nullopt, Track("B").Build());
        TLySongSelection selection;
        selection.Add(matched.get());
        QCOMPARE(selection.CurrentTwo().GetText(sdName), read.Name());
        QCOMPARE(selection.OriginalTwo().Merged().Rating(), 120);
        QVERIFY(selection.OriginalOne().IsDifferent(sdRating));
        QVERIFY(!selection.OriginalOne().IsDifferent(sdGenre));
        QVERIFY(selection.OriginalOne().DiffersFrom(&selection.OriginalTwo(), sdRating));
        QVERIFY(!selection.OriginalOne().DiffersFrom(&selection.OriginalTwo(), sdGenre));
        LY_EXPECT_ASSERTION(selection.OriginalOne().DiffersFrom(nullptr, sdName),
                            "Units/LyProject");
        selection.Add(twoOnly.get());
        QCOMPARE(selection.OriginalOne().GetText(sdArtist), QStringLiteral("(multiple values)"));
        QCOMPARE(selection.OriginalOne().GetText(sdRating), QStringLiteral("(multiple values)"));
        QCOMPARE(selection.OriginalOne().GetText(sdPlayCount), QStringLiteral("---"));
        QVERIFY(selection.OriginalOne().Exists());
        QCOMPARE(selection.OriginalOne().Count(), 2);
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

    void listeners() {
        TLySongSelection selection;
        TCountingListener listener;
        selection.AddListener(&listener);
        QCOMPARE(listener.Calls, QList<TLySongSelection*>{&selection});
        auto a = MakeSong(Track("a").Build(), std::nullopt);
        auto b = MakeSong(Track("b").Build(), std::nullopt);
        selection.BeginUpdate();
        selection.Clear();
        selection.Add(a.get());
        selection.Add(b.get());
        selection.EndUpdate();
        QCOMPARE(listener.Calls.size(), 2); // once for the whole update
        selection.RemoveListener(&listener);
        QCOMPARE(listener.Calls.last(), nullptr);
        selection.Add(a.get());
        QCOMPARE(listener.Calls.size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestLyMatchResult)
#include "tst_LyMatchResult.moc"
