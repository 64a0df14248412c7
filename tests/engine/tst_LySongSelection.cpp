// The merged values of selected songs and editing many songs at once.
#include "LyMatchResult.h"
#include "LyProject.h"
#include "LySongSelection.h"
#include "LyTestSupport.h"
#include "LyView.h"
#include "SongBuilders.h"

#include <QTest>

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

} // namespace

class TestLySongSelection : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { VxThreadsStartup(); }

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

QTEST_GUILESS_MAIN(TestLySongSelection)
#include "tst_LySongSelection.moc"
