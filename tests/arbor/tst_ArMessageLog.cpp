// Message logs: copies, blocks, a filter shared with its owner, text decoding, and the memory
// log's handlers and blocks.
#include "ArMemoryMessageLog.h"
#include "ArMessageLog.h"
#include "LyTestSupport.h"

#include <QRegularExpression>
#include <QTest>

namespace {

class TRecordingLog : public TArMessageLog {
public:
    using TArMessageLog::TArMessageLog;
    QStringList Texts;
    QList<TDateTime> Times;

protected:
    void DoLog(const QString& text, const QString&, TDateTime time, tArMessageType) override {
        Texts << text;
        Times << time;
    }
};

// A write-line log whose lines are collected instead of printed.
TArWriteLnMessageLog* CapturedLog(QStringList& lines) {
    auto* log = new TArWriteLnMessageLog(QString{});
    log->SetLineSink([&lines](const QString& line) { lines << line; });
    return log;
}

// Records every notification with what the log held at that moment.
class TRecordingHandler : public IArMemoryMessageLogHandler {
public:
    QStringList Events;
    std::function<void(TArMemoryMessageLog*)> DuringRemoval;

    void MessageAdded(TArMemoryMessageLog*, const TArLoggableMessage& message) override {
        Events << "added " + message.Text();
    }
    void MessagesAboutToBeRemoved(TArMemoryMessageLog* log, int count) override {
        Events << QStringLiteral("removing %1 of %2").arg(count).arg(log->Count());
        if (DuringRemoval)
            DuringRemoval(log);
    }
    void MessagesRemoved(TArMemoryMessageLog* log, int count) override {
        Events << QStringLiteral("removed %1, %2 left").arg(count).arg(log->Count());
    }
};

void LogNumbered(TArMemoryMessageLog& log, int from, int to) {
    for (int i = from; i < to; ++i)
        log.Log(QStringLiteral("m%1").arg(i), QStringLiteral("Default"), 0, mtInfo);
}

} // namespace

class TestArMessageLog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { ArMessageLogShutdown(); }
    void assignToCopiesEverything() {
        TArMessageLogFilterSettings source;
        source.SetDenyMode(false);
        source.SetDefaultTypes({mtError});
        source.SetChannel(QStringLiteral("System"), {mtInfo, mtWarning});
        TArMessageLogFilterSettings dest;
        dest.SetChannel(QStringLiteral("Stale"), {mtInfo});
        source.AssignTo(&dest);
        QCOMPARE(dest.DefaultTypes(), tArMessageTypes{mtError});
        QCOMPARE(dest.ChannelNames(), QStringList{"System"});
        // Entries copied into an allow-mode filter must be allow channels.
        QVERIFY(dest.Accepts(QStringLiteral("System"), mtInfo));
        QVERIFY(!dest.Accepts(QStringLiteral("System"), mtError));
        QVERIFY(!dest.Accepts(QStringLiteral("Stale"), mtInfo));
        LY_EXPECT_ASSERTION(source.AssignTo(nullptr), "Arbor/ArMessageLog");
    }

    void writeLnShowsBlocks() {
        QStringList lines;
        const std::unique_ptr<TArWriteLnMessageLog> log(CapturedLog(lines));
        log->SetShowTime(false);
        auto run = [&log] {
            log->EndBlock();
            log->BeginBlock(QStringLiteral("Load"));
            log->Log(QStringLiteral("x"), QStringLiteral("C"), 0, mtInfo);
            log->BeginBlock(QString());
            log->BeginBlock(QStringLiteral("Inner"));
            log->Log(QStringLiteral("y"), QStringLiteral("C"), 0, mtInfo);
            for (int i = 0; i < 4; ++i)
                log->EndBlock();
            log->Log(QStringLiteral("z"), QStringLiteral("C"), 0, mtInfo);
        };
        run();
        QCOMPARE(lines, (QStringList{"[C][Info]: x", "[C][Info]: y", "[C][Info]: z"}));
        lines.clear();
        log->SetShowBlocks(true);
        run();
        QCOMPARE(lines, (QStringList{"***< Load >***", "  [C][Info]: x", "    ***< Inner >***",
                                     "      [C][Info]: y", "[C][Info]: z"}));
    }

    void sharedFilterFollowsOwner() {
        TArMultipleMessageLog multiple(QString{});
        auto* sharing = new TRecordingLog(QStringLiteral("Sharing"));
        auto* own = new TRecordingLog(QStringLiteral("Own"));
        multiple.Add(sharing, true);
        multiple.Add(own, false);
        TArMultipleMessageLog other(QString{});
        QString message;
        LY_EXPECT_EXCEPTION(EAssertionFailed, other.Add(own, false), message);
        QVERIFY(
            message.startsWith(QStringLiteral("Cannot add a log to more than one multiple log")));

        multiple.FilterSettings()->SetChannel(QStringLiteral("Noise"), {mtDebugInfo});
        multiple.Log(QStringLiteral("a"), QStringLiteral("Noise"), 0, mtDebugInfo);
        multiple.Log(QStringLiteral("b"), QStringLiteral("Noise"), 0, mtInfo);
        QCOMPARE(sharing->Texts, QStringList{"b"});
        QCOMPARE(own->Texts, (QStringList{"a", "b"}));

        // The multiple log gives up its settings: the sharing member must not keep the freed ones.
        TArMessageLogFilterSettings external;
        external.SetDenyMode(false);
        multiple.SetFilterSettings(&external);
        QCOMPARE(sharing->FilterSettings(), &external);
        multiple.SetFilterSettings(nullptr);
        QVERIFY(multiple.OwnsFilterSettings());
        QCOMPARE(sharing->FilterSettings(), multiple.FilterSettings());
        multiple.Log(QStringLiteral("c"), QStringLiteral("Noise"), 0, mtInfo);
        QCOMPARE(sharing->Texts, QStringList{"b"});
        QCOMPARE(own->Texts.size(), 3);

        // A member that stops sharing keeps a copy of what it shared.
        sharing->SetFilterSettings(nullptr);
        QVERIFY(sharing->FilterSettings() != multiple.FilterSettings());
        QCOMPARE(sharing->FilterSettings()->DenyMode(), false);
    }

    void decode_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        const QString ucs4 = QStringLiteral("UCS4 encoding not supported by arMessageLog");
        const QString xml = QStringLiteral("<?xml version=\"1.0\"?>\u00e9");
        QByteArray be;
        QByteArray le;
        for (const QChar c : xml) {
            be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
            le.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        }
        QTest::newRow("UTF-16 BE with mark") << QByteArray("\xFE\xFF\x00H\x00\xE9", 6) << "H\u00e9";
        QTest::newRow("UTF-16 LE with mark") << QByteArray("\xFF\xFEH\x00\xE9\x00", 6) << "H\u00e9";
        QTest::newRow("UTF-16 BE declaration") << be << xml;
        QTest::newRow("UTF-16 LE declaration") << le << xml;
        QTest::newRow("UTF-8 declaration") << xml.toUtf8() << xml;
        QTest::newRow("UTF-8 mark") << QByteArray("\xEF\xBB\xBFGr\xC3\xBC"
                                                  "e")
                                    << "Gr\u00fce";
        QTest::newRow("plain UTF-8") << QByteArray("Gr\xC3\xBC"
                                                   "e")
                                     << "Gr\u00fce";
        QTest::newRow("shorter than a signature") << QByteArray("<") << "<";
        QTest::newRow("second byte of a mark only") << QByteArray("a\xFF"
                                                                  "zz")
                                                    << QString::fromUtf8("a\xFF"
                                                                         "zz");
        QTest::newRow("UCS-4 BE") << QByteArray("\x00\x00\x00<\x00\x00\x00?", 8) << ucs4;
        QTest::newRow("UCS-4 LE") << QByteArray("<\x00\x00\x00?\x00\x00\x00", 8) << ucs4;
        QTest::newRow("EBCDIC") << QByteArray("\x4C\x6F\xA7\x94\x93")
                                << "EBCDIC encoding not supported by arMessageLog";
    }

    // Refused encodings raise their message instead of logging anything.
    void decode() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        const bool refused = expected.endsWith(QStringLiteral("not supported by arMessageLog"));
        TRecordingLog log(QStringLiteral("Probe"));
        QString message;
        if (refused)
            LY_EXPECT_EXCEPTION(EArUTFConversionError,
                                log.LogBytes(bytes, QStringLiteral("C"), 0, mtInfo), message);
        else
            log.LogBytes(bytes, QStringLiteral("C"), 0, mtInfo);
        QCOMPARE(refused ? message : log.Texts.value(0), expected);
        QCOMPARE(log.Texts.size(), refused ? 0 : 1);
    }

    void memoryLogHandlers() {
        TArMemoryMessageLog log(QStringLiteral("Memory"));
        log.SetMaxCount(4);
        log.SetRemoveCount(3);
        TRecordingHandler handler;
        TRecordingHandler leaving;
        log.AddHandler(&handler);
        log.AddHandler(&handler);
        log.AddHandler(&leaving);
        LogNumbered(log, 0, 2);
        log.RemoveHandler(&leaving);
        LogNumbered(log, 2, 5);
        log.Clear();
        QCOMPARE(handler.Events, (QStringList{"added m0", "added m1", "added m2", "added m3",
                                              "removing 3 of 4", "removed 3, 1 left", "added m4",
                                              "removing 2 of 2", "removed 2, 0 left"}));
        QCOMPARE(leaving.Events, (QStringList{"added m0", "added m1"}));

        // Logging from a removal notification is refused, and the log stays usable.
        handler.DuringRemoval = [](TArMemoryMessageLog* target) {
            target->Log(QStringLiteral("inner"), QStringLiteral("Default"), 0, mtInfo);
        };
        LogNumbered(log, 0, 4);
        QString message;
        LY_EXPECT_EXCEPTION(EAssertionFailed, LogNumbered(log, 4, 5), message);
        QVERIFY2(message.startsWith(QStringLiteral(
                     "Logging from inside a [OnRemoveMemoryLogMessages] handler is not allowed.")),
                 qPrintable(message));
        handler.DuringRemoval = nullptr;
        LogNumbered(log, 5, 6);
        QCOMPARE(log.Count(), 2);
        QCOMPARE(log.Messages().constLast().Text, QStringLiteral("m5"));
    }

    void memoryLogKeepsBlocks() {
        TArMemoryMessageLog log(QStringLiteral("Memory"));
        log.FilterSettings()->SetDefaultTypes({mtInfo});
        log.BeginBlock(QStringLiteral("Load"));
        log.Log(QStringLiteral("filtered"), QStringLiteral("Default"), 0, mtInfo);
        log.EndBlock();
        const QList<TArLoggableMessageData> messages = log.Messages();
        QCOMPARE(messages.size(), 2);
        QVERIFY(messages[0].Time > 0);
        QCOMPARE(messages[0], (TArLoggableMessageData{"Logger", mtInfo, lmkBlockStart, "Load",
                                                      messages[0].Time}));
        QCOMPARE(messages[1],
                 (TArLoggableMessageData{"Logger", mtInfo, lmkBlockEnd, {}, messages[1].Time}));
    }
};

QTEST_GUILESS_MAIN(TestArMessageLog)
#include "tst_ArMessageLog.moc"
