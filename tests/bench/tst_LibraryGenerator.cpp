// The benchmark's library generator: the same bytes for a seed everywhere, other bytes for
// another seed or size, pinned by a digest of its output, and failures of writing reported.
#include "FailingDevice.h"
#include "LibraryGenerator.h"
#include "LyTestSupport.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QTest>

namespace {

QByteArray Generate(int tracks, quint64 seed, TLyBenchLibrary which) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QString error;
    const bool written = TLyLibraryGenerator(tracks, seed).Write(&buffer, which, &error);
    if (!written)
        qWarning() << "generator failed:" << error;
    return buffer.data();
}

} // namespace

Q_DECLARE_METATYPE(TLyBenchLibrary)

class TestLibraryGenerator : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sameSeedGivesTheSameBytes_data() {
        QTest::addColumn<TLyBenchLibrary>("which");
        QTest::addColumn<int>("tracks");
        QTest::addColumn<quint64>("seed");
        QTest::newRow("One, 250 tracks") << TLyBenchLibrary::One << 250 << quint64(1);
        QTest::newRow("Two, 250 tracks") << TLyBenchLibrary::Two << 250 << quint64(1);
        QTest::newRow("Two, other seed") << TLyBenchLibrary::Two << 130 << quint64(0xFFFFFFFFFFull);
    }

    // The benchmark reuses stored libraries whose fingerprint matches: equal fingerprints must
    // mean equal bytes, and another seed or size must give another fingerprint and other bytes.
    void sameSeedGivesTheSameBytes() {
        QFETCH(TLyBenchLibrary, which);
        QFETCH(int, tracks);
        QFETCH(quint64, seed);
        const QByteArray first = Generate(tracks, seed, which);
        QVERIFY(first.size() > 1000);
        QCOMPARE(Generate(tracks, seed, which), first);
        QCOMPARE(TLyLibraryGenerator(tracks, seed).Fingerprint(),
                 TLyLibraryGenerator(tracks, seed).Fingerprint());
        const auto other =
            which == TLyBenchLibrary::One ? TLyBenchLibrary::Two : TLyBenchLibrary::One;
        QVERIFY(Generate(tracks, seed + 1, which) != first &&
                Generate(tracks, seed, other) != first);
        const QString fingerprint = TLyLibraryGenerator(tracks, seed).Fingerprint();
        QVERIFY(fingerprint != TLyLibraryGenerator(tracks, seed + 1).Fingerprint() &&
                fingerprint != TLyLibraryGenerator(tracks + 1, seed).Fingerprint());
    }

    void outputIsPinnedByTheFormatVersion_data() {
        QTest::addColumn<TLyBenchLibrary>("which");
        QTest::addColumn<QByteArray>("sha256");
        QTest::newRow("One") << TLyBenchLibrary::One
                             << QByteArray("43f1c7acb83c2c0d21a657f2941167b317b94a4501a80d023f5a8"
                                           "6a16266d385");
        QTest::newRow("Two") << TLyBenchLibrary::Two
                             << QByteArray("fee80848e1668452b449407baf7aeb78efeee8a1c3e1879850212"
                                           "b16cd4336b4");
    }

    // The bytes for a seed may change only together with the format version (see above). On
    // purpose changes, bump kFormatVersion and update both: the digests are of 60 tracks with
    // seed 1. The digests freeze the layout, texts, keys, locations and playlists.
    void outputIsPinnedByTheFormatVersion() {
        QFETCH(TLyBenchLibrary, which);
        QFETCH(QByteArray, sha256);
        QCOMPARE(TLyLibraryGenerator::kFormatVersion, 1);
        QCOMPARE(
            QCryptographicHash::hash(Generate(60, 1, which), QCryptographicHash::Sha256).toHex(),
            sha256);
    }

    // WriteFile replaces the file; failures of writing are reported, not swallowed.
    void writing() {
        TLyTempFolder folder;
        const QString path = folder.WriteFile(QStringLiteral("one.xml"), "old contents");
        QString error;
        QVERIFY(TLyLibraryGenerator(40, 5).WriteFile(path, TLyBenchLibrary::One, &error));
        QCOMPARE(ReadWholeFile(path), Generate(40, 5, TLyBenchLibrary::One));
        QCOMPARE(QDir(folder.Path()).entryList(QDir::Files), QStringList{"one.xml"});
        const QString missing = folder.FilePath(QStringLiteral("no such folder/two.xml"));
        QVERIFY(!TLyLibraryGenerator(40, 5).WriteFile(missing, TLyBenchLibrary::Two, &error));
        QVERIFY2(error.contains(missing), qPrintable(error));

        TLyFailingDevice device(100'000); // fails part-way
        QVERIFY(device.open(QIODevice::WriteOnly));
        error.clear();
        QVERIFY(!TLyLibraryGenerator(300, 5).Write(&device, TLyBenchLibrary::One, &error));
        QVERIFY(!error.isEmpty());
        TLyFailingDevice roomy(qint64(1) << 40);
        QVERIFY(roomy.open(QIODevice::WriteOnly));
        QVERIFY(TLyLibraryGenerator(50, 5).Write(&roomy, TLyBenchLibrary::One, &error));
        QCOMPARE(roomy.Written(), Generate(50, 5, TLyBenchLibrary::One));
    }
};

QTEST_GUILESS_MAIN(TestLibraryGenerator)
#include "tst_LibraryGenerator.moc"
