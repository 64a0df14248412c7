// The song model: values of one track and a song seen in both libraries.
#include "LyOptions.h"
#include "LyTestSupport.h"
#include "SongBuilders.h"

#include <QLocale>
#include <QTest>

Q_DECLARE_METATYPE(TLySongProperties)

namespace {

// A track with every value set.
TLyTrackBuilder FullTrack() {
    return Track("a")
        .Artist("b")
        .Album("c")
        .Genre("d")
        .PlayCount(3)
        .Rating(40)
        .LastPlayed(2.25)
        .Location("/x.mp3");
}

} // namespace

class TestLySong : public QObject {
    Q_OBJECT
private Q_SLOTS:

    void displayText_data() {
        QTest::addColumn<TLySongProperties>("track");
        QTest::addColumn<tLySongPart>("part");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, const TLyTrackBuilder& track, tLySongPart part,
                            const QString& text) {
            QTest::newRow(name) << track.Build() << part << text;
        };
        row("never", Track().LastPlayed(0.0), sdLastPlayed, "never");
        row("noon", Track().LastPlayed(38767.5), sdLastPlayed, "February 19, 2006 12:00:00");
        row("no leading zeros for day and hour",
            Track().LastPlayed(EncodeDateTime(2010, 7, 4, 9, 5, 3)), sdLastPlayed,
            "July 4, 2010 9:05:03");
        row("before 1900", Track().LastPlayed(-1.25), sdLastPlayed, "December 29, 1899 6:00:00");
        row("five stars", Track().Rating(100), sdRating, "5");
        row("rounds down", Track().Rating(59), sdRating, "2");
        row("below one star", Track().Rating(19), sdRating, "0");
        row("never played", Track().PlayCount(0), sdPlayCount, "0");
        row("plays", Track().PlayCount(123456), sdPlayCount, "123456");
        row("artist", Track("Name").Artist("Artist"), sdArtist, "Artist");
    }

    void displayText() {
        QFETCH(TLySongProperties, track);
        QFETCH(tLySongPart, part);
        QFETCH(QString, text);
        // Whatever the machine's locale, month names stay English.
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        QCOMPARE(track.GetText(part), text);
        if (part == sdLastPlayed)
            QCOMPARE(track.LastPlayedText(), text);
        if (part == sdRating)
            QCOMPARE(QString::number(track.Stars()), text);
        QLocale::setDefault(previous);
    }

    void partDiffers_data() {
        QTest::addColumn<TLySongProperties>("a");
        QTest::addColumn<TLySongProperties>("b");
        QTest::addColumn<int>("differingParts"); // bits of tLySongPart
        const auto row = [](const char* name, const TLyTrackBuilder& a, const TLyTrackBuilder& b,
                            int parts) {
            QTest::newRow(name) << a.Build() << b.Build() << parts;
        };
        row("letter case counts", Track("x").Artist("Abba"), Track("x").Artist("ABBA"), 0b10);
        row("equal", Track("x").Genre(" "), Track("x").Genre(" "), 0);
        row("whitespace counts", Track("x").Genre(" "), Track("x"), 0b1000);
        row("numbers", Track("x").PlayCount(1).Rating(20), Track("x").PlayCount(2).Rating(20),
            0b10000);
        row("dates compare exactly", Track("x").LastPlayed(38767.5),
            Track("x").LastPlayed(38767.5 + 1.0 / 86400000.0), 0b100000);
        row("everything", FullTrack(), Track("A"), 0b1111111);
        row("composed and decomposed are equal",
            Track(QStringLiteral("Mot\u00F6rhead")).Album(QStringLiteral("\uAC15\uB0A8")),
            Track(QStringLiteral("Moto\u0308rhead"))
                .Album(QStringLiteral("\u1100\u1161\u11BC\u1102\u1161\u11B7")),
            0);
        row("marks in either order are equal, one mark more is not",
            Track(QStringLiteral("e\u0323\u0301")).Artist("Abba"),
            Track(QStringLiteral("e\u0301\u0323")).Artist(QStringLiteral("Abba\u0301")), 0b10);
        row("singletons are equal",
            Track(QStringLiteral("\u2126")).Artist(QStringLiteral("\u212B ngstr\u00F6m")),
            Track(QStringLiteral("\u03A9")).Artist(QStringLiteral("A\u030A ngstro\u0308m")), 0);
        row("compatibility forms differ", Track(QStringLiteral("\uFB01ve")), Track("five"), 0b1);
    }

    void partDiffers() {
        QFETCH(TLySongProperties, a);
        QFETCH(TLySongProperties, b);
        QFETCH(int, differingParts);
        for (int part = sdName; part <= sdRating; ++part) {
            const bool expected = (differingParts >> part) & 1;
            QCOMPARE(a.PartDiffers(b, tLySongPart(part)), expected);
            QCOMPARE(b.PartDiffers(a, tLySongPart(part)), expected);
        }
        QCOMPARE(a.Equals(b), differingParts == 0);
    }

    void matchesText_data() {
        QTest::addColumn<TLySongProperties>("track");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("matches");
        const TLySongProperties abba =
            Track("Waterloo").Artist("ABBA").Album("Gold").Genre("Pop").Build();
        QTest::newRow("part of artist, other case") << abba << "abb" << true;
        QTest::newRow("genre") << abba << "POP" << true;
        QTest::newRow("album") << abba << "old" << true;
        QTest::newRow("nowhere") << abba << "rock" << false;
        QTest::newRow("empty text matches nothing") << abba << "" << false;
        QTest::newRow("location is not searched")
            << Track("a").Location("/music/waterloo.mp3").Build() << "music" << false;
        QTest::newRow("accented capitals")
            << Track("x").Artist("beyoncé").Build() << "BEYONCÉ" << true;
        QTest::newRow("cyrillic") << Track("Калинка").Build() << "КАЛИН" << true;
        TLySongProperties cleared = abba;
        cleared.SetExists(false);
        QTest::newRow("side without track") << cleared << "abb" << false;
    }

    void matchesText() {
        QFETCH(TLySongProperties, track);
        QFETCH(QString, text);
        QFETCH(bool, matches);
        QCOMPARE(track.MatchesText(text), matches);
        // A song matches when either current side does.
        QCOMPARE(MakeSong(std::nullopt, track)->MatchesText(text), matches);
        QCOMPARE(MakeSong(track, Track("other").Build())->MatchesText(text), matches);
    }

    void isEmpty_data() {
        QTest::addColumn<TLySongProperties>("track");
        QTest::addColumn<int>("emptyParts");
        QTest::newRow("new") << TLySongProperties() << 0b1111111;
        QTest::newRow("blank genre is not empty") << Track().Genre(" ").Build() << 0b1110111;
        QTest::newRow("negative date is a date") << Track().LastPlayed(-3.5).Build() << 0b1011111;
        QTest::newRow("full") << FullTrack().Build() << 0;
    }

    void isEmpty() {
        QFETCH(TLySongProperties, track);
        QFETCH(int, emptyParts);
        for (int part = sdName; part <= sdRating; ++part)
            QCOMPARE(track.IsEmpty(tLySongPart(part)), bool((emptyParts >> part) & 1));
    }

    void valueRoundTrip_data() {
        QTest::addColumn<tLySongPart>("part");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariant>("stored");
        const auto row = [](const char* name, tLySongPart part, const QVariant& value,
                            const QVariant& stored) {
            QTest::newRow(name) << part << value << stored;
        };
        row("name", sdName, QVariant("Ça plane pour moi"), QVariant("Ça plane pour moi"));
        row("genre from number", sdGenre, QVariant(42), QVariant("42"));
        row("play count", sdPlayCount, QVariant(17), QVariant(17));
        row("play count from text", sdPlayCount, QVariant("17"), QVariant(17));
        row("rating", sdRating, QVariant(80), QVariant(80));
        row("last played", sdLastPlayed, QVariant(38767.5), QVariant(38767.5));
        row("last played from date-time", sdLastPlayed,
            QVariant(QDateTime(QDate(2006, 2, 19), QTime(12, 0), Qt::UTC)), QVariant(38767.5));
        row("last played from date", sdLastPlayed, QVariant(QDate(2006, 2, 19)), QVariant(38767.0));
        row("last played from its display text", sdLastPlayed,
            QVariant("February 19, 2006 12:00:00"), QVariant(38767.5));
        row("display text before 1900, any letter case", sdLastPlayed,
            QVariant(" december 29, 1899 6:00:00 "), QVariant(-1.25));
        row("first day a library file holds", sdLastPlayed, QVariant("January 1, 0001 0:00:00"),
            QVariant(-693593.0));
        row("last second a library file holds", sdLastPlayed,
            QVariant("December 31, 9999 23:59:59"),
            QVariant(EncodeDateTime(9999, 12, 31, 23, 59, 59)));
        row("never", sdLastPlayed, QVariant("Never"), QVariant(0.0));
        row("rating from text", sdRating, QVariant(" 60 "), QVariant(60));
        row("play count from a whole real number", sdPlayCount, QVariant(17.0), QVariant(17));
        row("tab, line feed and carriage return stay", sdName, QVariant("a\tb\nc\rd"),
            QVariant("a\tb\nc\rd"));
    }

    void valueRoundTrip() {
        QFETCH(tLySongPart, part);
        QFETCH(QVariant, value);
        QFETCH(QVariant, stored);
        TLySongProperties track;
        track.SetValue(part, value);
        const QVariant read = track.GetValue(part);
        QCOMPARE(read.toString(), stored.toString());
        QCOMPARE(read.metaType(), stored.metaType());
    }

    void setValueRefuses_data() {
        QTest::addColumn<tLySongPart>("part");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("message");
        const QString plays =
            "is not a valid [Play Count]: give a whole number from 0 to 2147483647.";
        const QString rating = "is not a valid [Rating]: give a whole number from 0 to 100.";
        const QString form = "is not a valid [Last Played]: give a date and time as "
                             "[February 19, 2006 12:00:00], or [never].";
        const QString range =
            "is not a valid [Last Played]: a library file holds dates of the years 1 to 9999.";
        const auto row = [](const char* name, tLySongPart part, const QVariant& value,
                            const QString& message) {
            QTest::newRow(name) << part << value << message;
        };
        row("play count text", sdPlayCount, QVariant("five"), "[five] " + plays);
        row("play count with a fraction", sdPlayCount, QVariant(2.5), "[2.5] " + plays);
        row("negative play count", sdPlayCount, QVariant("-1"), "[-1] " + plays);
        row("play count too large", sdPlayCount, QVariant("2147483648"), "[2147483648] " + plays);
        row("rating beyond 100", sdRating, QVariant(120), "[120] " + rating);
        row("rating as stars", sdRating, QVariant("***"), "[***] " + rating);
        row("other text for a date", sdLastPlayed, QVariant("soon"), "[soon] " + form);
        row("text of a number for a date", sdLastPlayed, QVariant("38767.5"), "[38767.5] " + form);
        row("no such day", sdLastPlayed, QVariant("February 30, 2006 12:00:00"),
            "[February 30, 2006 12:00:00] " + form);
        row("not a number", sdLastPlayed, QVariant(qQNaN()), "[nan] " + range);
        row("infinite", sdLastPlayed, QVariant(qInf()), "[inf] " + range);
        row("after the year 9999", sdLastPlayed, QVariant(2958466.0), "[2958466] " + range);
        row("before the year 1", sdLastPlayed, QVariant(-693594.0), "[-693594] " + range);
        row("date-time after the year 9999", sdLastPlayed,
            QVariant(QDateTime(QDate(10000, 1, 1), QTime(0, 0), Qt::UTC)),
            "[10000-01-01 00:00:00] " + range);
        row("control character", sdName, QVariant("Bell\x07"),
            "[Name] cannot hold the control character [U+0007] (character 5 of the text): a "
            "library file cannot store it.");
        row("control character of the upper range", sdGenre, QVariant(QStringLiteral("\u0085Pop")),
            "[Genre] cannot hold the control character [U+0085] (character 1 of the text): a "
            "library file cannot store it.");
    }

    void setValueRefuses() {
        QFETCH(tLySongPart, part);
        QFETCH(QVariant, value);
        TLySongProperties track =
            Track("Name").Genre("Rock").PlayCount(5).Rating(40).LastPlayed(38767.5).Build();
        const QVariant before = track.GetValue(part);
        QString message;
        LY_EXPECT_EXCEPTION(ELyProjectError, track.SetValue(part, value), message);
        QTEST(message, "message");
        QCOMPARE(track.GetValue(part), before);
    }

    void synchronizeKeepsEachSpellingOfEqualTexts() {
        // One stores the name composed, Two decomposed: the same name, so neither side is
        // rewritten, even when forced. A value read with a control character is copied as it is.
        const QString composed = QStringLiteral("Mot\u00F6rhead");
        const QString decomposed = QStringLiteral("Moto\u0308rhead");
        const QString read = QStringLiteral("Bell\u0007");
        auto song = MakeSong(Track(composed).Artist(read).Build(), Track(decomposed).Build());
        QCOMPARE(song->Differences(), tLySongPartSet{sdArtist});
        TLyProjectOptions options;
        options.SetForceSynchronize(true);
        for (int part = sdName; part <= sdRating; ++part)
            options.SetAction(tLySongPart(part), saUseOne);
        song->Synchronize(options);
        QCOMPARE(song->CurrentOne().Name(), composed);
        QCOMPARE(song->CurrentTwo().Name(), decomposed);
        QCOMPARE(song->CurrentTwo().Artist(), read);
        QCOMPARE(song->ModifiedTwo(), tLySongPartSet{sdArtist});
        QVERIFY(song->ModifiedOne().IsEmpty());
        QVERIFY(song->Differences().IsEmpty());
    }

    // A clone copies every field and is a track of its own; clearing empties the values, but
    // the track keeps its key, its file and its place in the document.
    void cloneAndClear() {
        TLySongProperties track = FullTrack().Build();
        track.SetKey(QStringLiteral("/a/b"));
        track.SetTrackKind(2);
        track.SetPrimary(true);
        track.SetFileStatus(fsMissing);
        auto* node = reinterpret_cast<TLySongProperties::TNode>(&track);
        track.SetNode(node);
        const auto kept = [&](const TLySongProperties& t) {
            QCOMPARE(t.Key(), QStringLiteral("/a/b"));
            QCOMPARE(t.Location(), QStringLiteral("/x.mp3"));
            QCOMPARE(t.Node(), node);
            QVERIFY(t.Primary());
            QCOMPARE(t.FileStatus(), fsMissing);
        };
        const std::unique_ptr<TLySongProperties> copy = track.Clone();
        QVERIFY(copy->Equals(track));
        QCOMPARE(copy->TrackKind(), quint8(2));
        QVERIFY(copy->Exists());
        kept(*copy);
        copy->SetName(QStringLiteral("changed"));
        QCOMPARE(track.Name(), QStringLiteral("a"));
        track.Clear();
        for (int part = sdName; part <= sdRating; ++part)
            QVERIFY(track.IsEmpty(tLySongPart(part)));
        QVERIFY(!track.Exists());
        QCOMPARE(track.TrackKind(), quint8(0));
        kept(track);
        QVERIFY(track.Equals(TLySongProperties()));
        TLySongProperties other;
        other.Clear();
        QVERIFY(track.Equals(other));
    }

    void differencesOfAnUnmatchedSong_data() {
        QTest::addColumn<bool>("oneHoldsTrack");
        QTest::newRow("only in one") << true;
        QTest::newRow("only in two") << false;
    }

    void differencesOfAnUnmatchedSong() {
        QFETCH(bool, oneHoldsTrack);
        const TLySongProperties track = Track("Solo").PlayCount(2).Build();
        auto song = oneHoldsTrack ? MakeSong(track, std::nullopt) : MakeSong(std::nullopt, track);
        // Even an edited current value leaves the modified sets empty on an unmatched song.
        song->Current(oneHoldsTrack ? 0 : 1).SetName(QStringLiteral("edited"));
        song->CalculateDifferences();
        QCOMPARE(song->Differences(), kLyAllSongParts);
        QVERIFY(song->ModifiedOne().IsEmpty());
        QVERIFY(song->ModifiedTwo().IsEmpty());
        QVERIFY(!song->IsMatched());
        QCOMPARE(song->MatchState(), 0);
        QVERIFY(!song->IsModifiedAny());
    }

    void differencesAndModificationsOfAMatchedSong() {
        auto song = MakeSong(Track("Waterloo").Artist("ABBA").PlayCount(3).Build(),
                             Track("Waterloo").Artist("ABBA").PlayCount(5).Build());
        QVERIFY(song->IsMatched());
        QCOMPARE(song->Differences(), tLySongPartSet{sdPlayCount});
        QCOMPARE(song->MatchState(), 2);
        QVERIFY(song->UserDataDiffers());
        QVERIFY(!song->SongDataDiffers());
        QVERIFY(song->Checked());

        song->CurrentOne().SetPlayCount(5);
        song->CurrentTwo().SetArtist(QStringLiteral("Abba"));
        song->CalculateDifferences();
        QCOMPARE(song->Differences(), tLySongPartSet{sdArtist});
        QCOMPARE(song->MatchState(), 1);
        QCOMPARE(song->ModifiedOne(), tLySongPartSet{sdPlayCount});
        QCOMPARE(song->ModifiedTwo(), tLySongPartSet{sdArtist});
        QVERIFY(song->UserDataModified(0));
        QVERIFY(!song->SongDataModified(0));
        QVERIFY(song->SongDataModified(1));
        QVERIFY(song->PartModified(1, sdArtist));
        QVERIFY(song->PartModifiedAny(sdPlayCount));
        QVERIFY(!song->PartModifiedAny(sdRating));

        // Reverting by hand clears everything again.
        song->CurrentOne() = song->OriginalOne();
        song->CurrentTwo() = song->OriginalTwo();
        song->CalculateDifferences();
        QVERIFY(!song->IsModifiedAny());
        QCOMPARE(song->Differences(), tLySongPartSet{sdPlayCount});
        LY_EXPECT_ASSERTION(song->Original(2), "Units/LyProject");
    }

    void propertiesMapIgnoresLetterCase() {
        TLySongPropertiesMap map;
        map.Put(QStringLiteral("/Beyoncé/Halo"), Track("Halo").New().release());
        QVERIFY(map.Find(QStringLiteral("/BEYONCÉ/HALO")));
        QVERIFY(!map.Find(QStringLiteral("/Beyonce/Halo")));
        map.Put(QStringLiteral("/beyoncé/halo"), Track("Halo 2").New().release()); // replaces
        QCOMPARE(map.Count(), 1);
        QCOMPARE(map.Find(QStringLiteral("/Beyoncé/Halo"))->Name(), QStringLiteral("Halo 2"));
    }
};

QTEST_APPLESS_MAIN(TestLySong)
#include "tst_LySong.moc"
