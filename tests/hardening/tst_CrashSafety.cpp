// A store killed at any moment leaves the complete old file or the complete new one, and the
// temporary file it was writing does not stay behind past the next store.
#include "LibraryBuilders.h"
#include "LyTestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>

namespace {

constexpr int kKills = 30;

// Runs the child to the end and returns how long each of its stores took, in milliseconds.
double RunToEnd(const QStringList& arguments) {
    QProcess child;
    child.start(QStringLiteral(LY_STORE_CHILD), arguments);
    if (!child.waitForStarted() || !child.waitForReadyRead(120000))
        qFatal("the store child did not start: %s", qPrintable(child.errorString()));
    QElapsedTimer timer;
    timer.start();
    if (!child.waitForFinished(300000) || child.exitCode() != 0)
        qFatal("the store child failed: %s", child.readAllStandardError().constData());
    const qsizetype stores = child.readAllStandardOutput().count("stored");
    return double(timer.elapsed()) / double(std::max<qsizetype>(stores, 1));
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class TestCrashSafety : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void killedStoresLeaveACompleteFile_data();
    void killedStoresLeaveACompleteFile();

private:
    TLyTempFolder FFolder;
};

void TestCrashSafety::killedStoresLeaveACompleteFile_data() {
    QTest::addColumn<QStringList>("sources");
    QTest::addColumn<QString>("kind");
    // Two libraries of about 3 MB that differ in their track count.
    const QString one =
        FFolder.WriteFile(QStringLiteral("sources/one.xml"), MakeLargeLibraryXml(2000));
    const QString two =
        FFolder.WriteFile(QStringLiteral("sources/two.xml"), MakeLargeLibraryXml(2100));
    QTest::newRow("library") << QStringList{one, two} << QStringLiteral("library");
    QTest::newRow("settings") << QStringList() << QStringLiteral("settings");
}

void TestCrashSafety::killedStoresLeaveACompleteFile() {
    QFETCH(QStringList, sources);
    QFETCH(QString, kind);
    const auto arguments = [&](const QString& target, int count) {
        return QStringList{kind} + sources + QStringList{target, QString::number(count)};
    };

    // The two complete versions, as a store that is not interrupted writes them.
    const QString references = FFolder.FilePath(kind + QStringLiteral("-references"));
    QVERIFY(QDir().mkpath(references));
    const QString reference = references + QStringLiteral("/file.xml");
    RunToEnd(arguments(reference, 1));
    const QByteArray first = ReadWholeFile(reference);
    const double storeMs = RunToEnd(arguments(reference, 4));
    const QByteArray second = ReadWholeFile(reference);
    QVERIFY(!first.isEmpty());
    QVERIFY(first != second);

    const QString folder = FFolder.FilePath(kind);
    QVERIFY(QDir().mkpath(folder));
    const QString target = folder + QStringLiteral("/file.xml");
    QVERIFY(QFile::copy(reference, target));
    QRandomGenerator random(QRandomGenerator::global()->generate());
    int interrupted = 0;
    for (int i = 0; i < kKills; ++i) {
        QProcess child;
        child.start(QStringLiteral(LY_STORE_CHILD), arguments(target, 0));
        QVERIFY(child.waitForStarted());
        QVERIFY2(child.waitForReadyRead(120000), child.readAllStandardError().constData());
        // Anywhere within the first three stores, so kills land at every stage of one.
        QThread::usleep(random.bounded(quint32(3000.0 * storeMs) + 1));
        child.kill();
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        const QByteArray now = ReadWholeFile(target);
        QVERIFY2(now == first || now == second,
                 qPrintable(QStringLiteral("kill %1 left %2 bytes").arg(i).arg(now.size())));
        // At most the one temporary file of the interrupted store: each store takes over the
        // one before it left.
        const QStringList entries = Entries(folder);
        QVERIFY2(entries.size() <= 2, qPrintable(entries.join(u' ')));
        interrupted += int(entries.size()) - 1;
    }
    qInfo("%d of %d kills interrupted a store and left its temporary file", interrupted, kKills);

    // One store to the end: only the target remains, whatever the kills left.
    RunToEnd(arguments(target, 1));
    QCOMPARE(Entries(folder), QStringList{QStringLiteral("file.xml")});
    QCOMPARE(ReadWholeFile(target), first);
}

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_CrashSafety.moc"
