// Several threads logging through the global log at once, while another reads the memory log.
#include "ArMemoryMessageLog.h"
#include "ArMessageLog.h"
#include "LyLoggedMessages.h"

#include <QRegularExpression>
#include <QTest>

#include <atomic>
#include <thread>
#include <vector>

namespace {

constexpr int kThreads = 4;
constexpr int kMessagesPerThread = 400;

// Told under the memory log's lock, so it needs no lock of its own.
class TCountingHandler : public IArMemoryMessageLogHandler {
public:
    QStringList Texts;
    std::atomic<int> Added{0};
    std::atomic<int> Removed{0};
    void MessageAdded(TArMemoryMessageLog*, const TArLoggableMessage& message) override {
        ++Added;
        Texts << message.Text();
    }
    void MessagesAboutToBeRemoved(TArMemoryMessageLog*, int) override {}
    void MessagesRemoved(TArMemoryMessageLog*, int count) override { Removed += count; }
};

} // namespace

class TestArMessageLogThreads : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void concurrentLogging() {
        ArMessageLogStartup();
        TArMultipleMessageLog* global = GlobalMessageLog();
        TArMemoryMessageLog* memory = LyMemoryLog();
        TCountingHandler handler;
        memory->AddHandler(&handler);
        QStringList lines;
        auto* writeLn = new TArWriteLnMessageLog(QString{});
        writeLn->SetLineSink([&lines](const QString& line) { lines << line; });
        global->Add(writeLn, true);

        std::atomic<bool> done{false};
        std::atomic<int> badSnapshots{0};
        std::thread reader([&] {
            while (!done.load()) {
                const QList<TArLoggableMessageData> copy = memory->Messages();
                if (copy.size() > memory->MaxCount())
                    ++badSnapshots;
            }
        });
        std::vector<std::thread> writers;
        for (int t = 0; t < kThreads; ++t) {
            // Even threads go through the global log, odd ones straight to the memory log.
            writers.emplace_back([t, memory] {
                // Every message has two lines; the memory log keeps them as two neighbours.
                for (int i = 0; i < kMessagesPerThread; ++i) {
                    const QString text =
                        QStringLiteral("t%1-%2 first\nt%1-%2 second").arg(t).arg(i);
                    if (t % 2 == 0)
                        LogMessage(text, QStringLiteral("Default"), mtInfo);
                    else
                        memory->Log(text, QStringLiteral("Default"), 0, mtWarning);
                }
            });
        }
        for (std::thread& writer : writers)
            writer.join();
        done = true;
        reader.join();

        const int total = kThreads * kMessagesPerThread;
        QCOMPARE(badSnapshots.load(), 0);
        QCOMPARE(handler.Added.load(), 2 * total);
        QCOMPARE(handler.Added.load() - handler.Removed.load(), memory->Count());
        QVERIFY(memory->Count() > 100 && memory->Count() <= 200);

        QCOMPARE(memory->Messages().constLast().Text, handler.Texts.constLast());
        const QRegularExpression first(QStringLiteral("^(t\\d+-\\d+) first$"));
        for (qsizetype i = 0; i < handler.Texts.size(); i += 2) {
            const QRegularExpressionMatch match = first.match(handler.Texts[i]);
            QVERIFY2(match.hasMatch(), qPrintable(handler.Texts[i]));
            QCOMPARE(handler.Texts[i + 1], match.captured(1) + QStringLiteral(" second"));
        }

        // Each thread's messages reach the write-line log whole and in the order it sent them.
        QCOMPARE(lines.size(), total / 2);
        std::vector<int> next(kThreads, 0);
        const QRegularExpression whole(
            QStringLiteral("\\]: t(\\d+)-(\\d+) first\nt\\1-\\2 second$"));
        for (const QString& line : std::as_const(lines)) {
            const QRegularExpressionMatch match = whole.match(line);
            QVERIFY2(match.hasMatch(), qPrintable(line));
            const int t = match.captured(1).toInt();
            QCOMPARE(match.captured(2).toInt(), next[t]++);
        }
        memory->RemoveHandler(&handler);
        ArMessageLogShutdown();
    }
};

QTEST_GUILESS_MAIN(TestArMessageLogThreads)
#include "tst_ArMessageLogThreads.moc"
