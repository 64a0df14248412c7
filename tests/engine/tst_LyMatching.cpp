// Matching keys under the three compare modes, and how tracks of two libraries find each
// other through full and shortened keys.
#include "LyMatching.h"
#include "LyTestSupport.h"
#include "SongBuilders.h"

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

} // namespace

class TestLyMatching : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void soundex_data();
    void soundex();
    void keys_data();
    void keys();
    void pairing_data();
    void pairing();
    void shortenedKeysBelongToTheFirstTrack();
    void duplicateFullKeysKeepTheLastTrack();
    void emptyKeyOfTitleOnlyMatching();
};

void TestLyMatching::soundex_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("code");
    QTest::newRow("Robert") << "Robert"
                            << "R163" + QString(16, u'0');
    QTest::newRow("Tymczak") << "Tymczak"
                             << "T522" + QString(16, u'0');
    QTest::newRow("Colour") << "Colour"
                            << "C46" + QString(17, u'0');
    QTest::newRow("Color") << "Color"
                           << "C46" + QString(17, u'0');
    QTest::newRow("lower first letter") << "ashcraft"
                                        << "A2613" + QString(15, u'0');
    QTest::newRow("digit first") << "4ever"
                                 << "416" + QString(17, u'0');
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("long text is cut at 20") << "BCDLMRBCDLMRBCDLMRBCDLMRBCDLMR"
                                            << "B2345612345612345612";
}

void TestLyMatching::soundex() {
    QFETCH(QString, text);
    QFETCH(QString, code);
    QCOMPARE(SoundexCode(text), code);
}

void TestLyMatching::keys_data() {
    QTest::addColumn<TLySongProperties>("track");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("components");
    QTest::addColumn<QString>("key");
    const TLySongProperties song =
        Track("Love-Song!").Artist("ABBA").Album("Gold").Genre("Pop").Build();
    QTest::newRow("exact title and artist")
        << song << int(scmExactMatch) << 0b0011 << "/Love-Song!/ABBA";
    QTest::newRow("alphanumeric drops punctuation")
        << song << int(scmAlphanumericMatch) << 0b1111 << "/LoveSong/ABBA/Gold/Pop";
    QTest::newRow("empty component keeps its slash")
        << Track("T").Build() << int(scmExactMatch) << 0b0111 << "/T//";
    QTest::newRow("no components") << song << int(scmExactMatch) << 0 << "";
    QTest::newRow("alphanumeric drops non-ASCII")
        << Track("Café del Mar").Build() << int(scmAlphanumericMatch) << 0b0001
        << "/Cafdel" + QString("Mar");
    QTest::newRow("phonetic") << Track("Colour").Build() << int(scmPhoneticMatch) << 0b0001
                              << "/C46" + QString(17, u'0');
    // "Motörhead" stored decomposed (o + combining diaeresis) keys like the composed name.
    QTest::newRow("decomposed exact")
        << Track(QStringLiteral("Moto\u0308rhead")).Build() << int(scmExactMatch) << 0b0001
        << QStringLiteral("/Mot\u00F6rhead");
    QTest::newRow("decomposed alphanumeric") << Track(QStringLiteral("Moto\u0308rhead")).Build()
                                             << int(scmAlphanumericMatch) << 0b0001 << "/Motrhead";
}

void TestLyMatching::keys() {
    QFETCH(TLySongProperties, track);
    QFETCH(int, mode);
    QFETCH(int, components);
    QTEST(MakeKey(track, tLySongCompareMode(mode),
                  tLySongCompareComponentSet::FromBits(quint8(components))),
          "key");
}

void TestLyMatching::pairing_data() {
    QTest::addColumn<TLySongProperties>("one");
    QTest::addColumn<TLySongProperties>("two");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("components");
    QTest::addColumn<int>("canBeEmpty");
    QTest::addColumn<bool>("pairs");
    QTest::newRow("exact ignores case")
        << Track("Love Song").Artist("ABBA").Build() << Track("love song").Artist("Abba").Build()
        << int(scmExactMatch) << 0b0011 << 0 << true;
    QTest::newRow("alphanumeric ignores punctuation")
        << Track("Love-Song!").Build() << Track("Love Song").Build() << int(scmAlphanumericMatch)
        << 0b0001 << 0 << true;
    QTest::newRow("phonetic forgives spelling") << Track("Colour").Build() << Track("Color").Build()
                                                << int(scmPhoneticMatch) << 0b0001 << 0 << true;
    QTest::newRow("one letter differs, nothing may be empty")
        << Track("T").Artist("Abba").Build() << Track("T").Artist("Abbo").Build()
        << int(scmExactMatch) << 0b0011 << 0 << false;
    QTest::newRow("empty artist pairs through the shortened key")
        << Track("T").Artist("X").Build() << Track("T").Build() << int(scmExactMatch) << 0b0011
        << 0b0010 << true;
    QTest::newRow("both artists set and different")
        << Track("T").Artist("X").Build() << Track("T").Artist("Y").Build() << int(scmExactMatch)
        << 0b0011 << 0b0010 << true;
    QTest::newRow("composed and decomposed names pair")
        << Track(QStringLiteral("Mot\u00F6rhead")).Build()
        << Track(QStringLiteral("Moto\u0308rhead")).Build() << int(scmExactMatch) << 0b0001 << 0
        << true;
}

void TestLyMatching::pairing() {
    QFETCH(TLySongProperties, one);
    QFETCH(TLySongProperties, two);
    QFETCH(int, mode);
    QFETCH(int, components);
    QFETCH(int, canBeEmpty);
    QFETCH(bool, pairs);
    const auto options =
        Options(tLySongCompareMode(mode), tLySongCompareComponentSet::FromBits(quint8(components)),
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

void TestLyMatching::shortenedKeysBelongToTheFirstTrack() {
    // One (T, X); Two (T, Y) and (T, Z): both Two tracks find the One track through its
    // shortened key "/T" (the title alone).
    const auto options = Options(scmExactMatch, {sccTitle, sccArtist}, {sccArtist});
    auto mapOne = MapOf({Track("T").Artist("X").Build(), Track("T").Artist("W").Build()}, *options);
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

void TestLyMatching::duplicateFullKeysKeepTheLastTrack() {
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

void TestLyMatching::emptyKeyOfTitleOnlyMatching() {
    // Title may be empty: every track also gets the empty key, owned by the first track.
    const auto options = Options(scmExactMatch, {sccTitle}, {sccTitle});
    auto mapOne = MapOf({Track("First").Build(), Track("Second").Build()}, *options);
    QCOMPARE(mapOne->Find(QString())->Name(), QStringLiteral("First"));
    TLySongProperties lonely = Track("Nothing like it").Build();
    lonely.SetKey(MakeKey(lonely, scmExactMatch, {sccTitle}));
    QCOMPARE(FindMatch(lonely, *mapOne, *options)->Name(), QStringLiteral("First"));
}

QTEST_APPLESS_MAIN(TestLyMatching)
#include "tst_LyMatching.moc"
