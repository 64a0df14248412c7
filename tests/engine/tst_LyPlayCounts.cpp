// Play counts that add up: the count a pair gets, and many histories of plays, synchronisations
// and exports of either side through the project and its files, in which every play is counted
// exactly once; the remembered counts' file.
#include "LibraryBuilders.h"
#include "LyPlayCounts.h"
#include "LyProject.h"
#include "LyTestSupport.h"
#include "VxSaveFile.h"
#include "VxThreads.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(std::optional<TLyPlayRecord>)

namespace {

constexpr int kTracks = 3;
constexpr int kFirstCount = 10;

QByteArray Library() {
    QList<TLyLibraryTrack> tracks;
    for (int t = 0; t < kTracks; ++t)
        tracks << TLyLibraryTrack{{"Track ID", "integer", QString::number(t + 1)},
                                  {"Name", "string", QStringLiteral("Song %1").arg(t)},
                                  {"Persistent ID", "string", QStringLiteral("00AB%1").arg(t)},
                                  {"Play Count", "integer", QString::number(kFirstCount)}};
    return MakeLibraryXml(tracks);
}

const QRegularExpression& PlayCountPattern() {
    static const QRegularExpression pattern(
        QStringLiteral("<key>Play Count</key>\\s*<integer>(\\d+)</integer>"));
    return pattern;
}

// The play counts of the file, in track order.
QList<int> Counts(const QString& path) {
    QList<int> counts;
    for (const QRegularExpressionMatch& m :
         PlayCountPattern().globalMatch(QString::fromUtf8(ReadWholeFile(path))))
        counts << m.captured(1).toInt();
    return counts;
}

// Plays the tracks of the file, as the library's own program counts them.
void Play(const QString& path, const QList<int>& plays) {
    QString text = QString::fromUtf8(ReadWholeFile(path));
    QString played;
    qsizetype done = 0;
    int track = 0;
    for (const QRegularExpressionMatch& m : PlayCountPattern().globalMatch(text)) {
        played += QStringView(text).sliced(done, m.capturedStart(1) - done);
        played += QString::number(m.captured(1).toInt() + plays.value(track++));
        done = m.capturedEnd(1);
    }
    played += QStringView(text).sliced(done);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(played.toUtf8());
}

} // namespace

class TestLyPlayCounts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        VxThreadsStartup();
        RegisterLyTypes();
        RegisterLyOptionClasses();
    }

    void addedCount_data() {
        QTest::addColumn<std::optional<TLyPlayRecord>>("record");
        QTest::addColumn<int>("one");
        QTest::addColumn<int>("two");
        QTest::addColumn<int>("added");
        QTest::newRow("nothing remembered: the larger")
            << std::optional<TLyPlayRecord>() << 3 << 5 << 5;
        QTest::newRow("plays of both sides")
            << std::optional(TLyPlayRecord{10, {10, 10}}) << 13 << 15 << 18;
        QTest::newRow("one side's plays already in the total")
            << std::optional(TLyPlayRecord{15, {15, 12}}) << 17 << 12 << 17;
        QTest::newRow("a count that went down adds nothing")
            << std::optional(TLyPlayRecord{10, {10, 10}}) << 4 << 12 << 12;
    }

    void addedCount() {
        QFETCH(std::optional<TLyPlayRecord>, record);
        QFETCH(int, one);
        QFETCH(int, two);
        QTEST(AddedPlayCount(record, one, two), "added");
    }

    void everyPlayCountedOnce_data() {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 8; ++seed)
            QTest::addRow("history %u", seed) << seed;
    }

    // Rounds of plays on both sides, a synchronisation and the export of one side, the other, both
    // or neither; each round reads the files the last one wrote.
    void everyPlayCountedOnce() {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        TLyTempFolder folder;
        TLyProject project(nullptr, nullptr);
        TLyProjectOptions* options = project.Options();
        options->SetName(folder.FilePath("project.xml"));
        options->SetAction(sdPlayCount, saAddPlays);
        QString paths[2];
        for (int side = 0; side < 2; ++side) {
            paths[side] = folder.WriteFile(side == 0 ? "one.xml" : "two.xml", Library());
            options->Library(side)->SetInputPath(paths[side]);
            options->Library(side)->SetOutputPath(paths[side]);
        }
        const auto run = [&](const std::function<void()>& start) {
            start();
            project.Process()->WaitFor();
        };
        QList<int> played(kTracks, 0); // every play on either side since the first count
        QList<int> last[2] = {Counts(paths[0]), Counts(paths[1])};
        for (int round = 0; round < 12; ++round) {
            QList<int> plays[2];
            for (int side = 0; side < 2; ++side) {
                for (int t = 0; t < kTracks; ++t) {
                    // The first round agrees on the first count: nothing is remembered before it.
                    plays[side] << (round == 0 ? 0 : int(random.bounded(4)));
                    played[t] += plays[side][t];
                }
                Play(paths[side], plays[side]);
            }
            run([&] { project.LoadLibraries(); });
            run([&] { project.MatchResult()->SynchronizeAll(); });
            const int exports = round == 0 ? 2 : int(random.bounded(5)); // 0, 1, both, both, none
            const QList<int> sides = exports == 0   ? QList<int>{0}
                                     : exports == 1 ? QList<int>{1}
                                     : exports == 2 ? QList<int>{0, 1}
                                     : exports == 3 ? QList<int>{1, 0}
                                                    : QList<int>{};
            for (int side : sides)
                run([&] { project.StoreLibrary(side); });
            for (int side = 0; side < 2; ++side) {
                const QList<int> counts = Counts(paths[side]);
                QCOMPARE(counts.size(), kTracks);
                for (int t = 0; t < kTracks; ++t) {
                    const int expected = sides.contains(side) ? kFirstCount + played[t]
                                                              : last[side][t] + plays[side][t];
                    QVERIFY2(counts[t] == expected,
                             qPrintable(QStringLiteral("round %1, side %2, track %3: %4, not %5")
                                            .arg(round)
                                            .arg(side)
                                            .arg(t)
                                            .arg(counts[t])
                                            .arg(expected)));
                    QVERIFY(counts[t] >= last[side][t]);
                }
                last[side] = counts;
            }
        }
    }

    void killedStoreKeepsTheOldFile() {
        TLyTempFolder folder;
        const QString path = TLyPlayMemory::FileNameFor(folder.FilePath("project.xml"));
        QCOMPARE(path, folder.FilePath("project.plays"));
        TLyPlayMemory stored;
        stored.Put(QStringLiteral("00A1"), QStringLiteral("00b2"), {7, {7, 5}});
        stored.Store(path);
        // A store killed half-way leaves its temporary file, never a part of the file itself.
        QFile partial(TVxSaveFile::TemporaryName(path));
        QVERIFY(partial.open(QIODevice::WriteOnly));
        partial.write("Lyrabridge play counts 1\n00A1 00B2 9");
        partial.close();
        TLyPlayMemory read;
        read.Load(path);
        QCOMPARE(read.Count(), 1);
        QCOMPARE(read.Find(QStringLiteral("00a1"), QStringLiteral("00B2")),
                 std::optional(TLyPlayRecord{7, {7, 5}}));
        read.Put(QStringLiteral("00A1"), QStringLiteral("00B2"), {9, {9, 9}});
        read.Store(path); // takes the left temporary file over
        TLyPlayMemory again;
        again.Load(path);
        QCOMPARE(again.Find(QStringLiteral("00A1"), QStringLiteral("00B2")),
                 std::optional(TLyPlayRecord{9, {9, 9}}));
        QVERIFY(!QFile::exists(TVxSaveFile::TemporaryName(path)));
    }

    void damagedFileNamesItself_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("where");
        QTest::newRow("no header") << QByteArray("00A1 00B2 1 1 1\n") << "line 1";
        QTest::newRow("a count missing")
            << QByteArray("Lyrabridge play counts 1\n00A1 00B2 1 1 1\n00A1 00B3 1 1\n") << "line 3";
        QTest::newRow("a negative count")
            << QByteArray("Lyrabridge play counts 1\n00A1 00B2 1 -1 1\n") << "line 2";
    }

    void damagedFileNamesItself() {
        QFETCH(QByteArray, content);
        QFETCH(QString, where);
        TLyTempFolder folder;
        const QString path = folder.WriteFile("project.plays", content);
        TLyPlayMemory memory;
        memory.Put(QStringLiteral("00A1"), QStringLiteral("00B2"), {1, {1, 1}});
        QString message;
        LY_EXPECT_EXCEPTION(ELyProjectError, memory.Load(path), message);
        QVERIFY2(message.contains(path) && message.contains(where), qPrintable(message));
        QCOMPARE(memory.Count(), 1); // kept as it was
    }
};

QTEST_APPLESS_MAIN(TestLyPlayCounts)
#include "tst_LyPlayCounts.moc"
