// The song model: values of one track read back, refused or empty, and the spellings of equal
// texts kept by synchronising.
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
};

QTEST_APPLESS_MAIN(TestLySong)
#include "tst_LySong.moc"
