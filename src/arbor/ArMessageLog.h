// The message log: typed messages on named channels, recorded by logs that filter them.
// Start-up creates one global multiple log; LogMessage and LogFormat report to it.
#pragma once

#include "ArDateTime.h"
#include "ArExceptions.h"
#include "ArMessageLogFilter.h"
#include "ArObjects.h"

#include <QByteArray>
#include <QString>
#include <QVariantList>

#include <atomic>
#include <functional>
#include <mutex>

// Message bytes in an encoding the log cannot read.
class EArUTFConversionError : public Exception {
public:
    using Exception::Exception;
};

// Decodes message bytes: a UTF-16 signature (either byte order, with a byte order mark or as the
// start of an XML declaration) means UTF-16, an XML declaration or a UTF-8 byte order mark means
// UTF-8, UCS-4 and EBCDIC signatures raise EArUTFConversionError, and anything else is UTF-8.
QString ArDecodeLogText(const QByteArray& bytes);

// Base of all logs. Log filters a message by channel and type and hands an accepted one to DoLog.
// A thread-safe log serialises everything it records; its lock is recursive, so a log may be
// re-entered from the thread that holds it. Configure a log (flags, filter, sink) before
// several threads use it.
class TArMessageLog : public TArObject {
public:
    explicit TArMessageLog(const QString& name, TArObjectList* ownerList = nullptr,
                           TArObject* owner = nullptr);
    ~TArMessageLog() override;

    QString Name() const override { return FName; }

    // Records `text` when the filter accepts it. `time` 0 means now. With SplitLines each line
    // of a text with line breaks is logged as a message of its own.
    void Log(const QString& text, const QString& channel, TDateTime time, tArMessageType type);
    // Logs bytes decoded by ArDecodeLogText.
    void LogBytes(const QByteArray& bytes, const QString& channel, TDateTime time,
                  tArMessageType type);

    void BeginBlock(const QString& title);
    // Closes the innermost open block; nothing when none is open.
    void EndBlock();
    int BlockLevel() const { return FBlockLevel.load(); }

    TArMessageLogFilterSettings* FilterSettings() const;
    bool OwnsFilterSettings() const;
    // With a settings object: use it without owning it (freeing own settings). With null: own
    // settings again, a copy of the shared ones when there were any.
    virtual void SetFilterSettings(TArMessageLogFilterSettings* settings);

    bool ThreadSafe() const { return FThreadSafe.load(); }
    virtual void SetThreadSafe(bool threadSafe);

    bool ShowDate() const { return FShowDate; }
    void SetShowDate(bool value) { FShowDate = value; }
    bool ShowTime() const { return FShowTime; }
    void SetShowTime(bool value) { FShowTime = value; }
    bool SplitLines() const { return FSplitLines; }
    void SetSplitLines(bool value) { FSplitLines = value; }

    virtual bool Accepts(const QString& channel, tArMessageType type) const;
    // "[channel][timestamp][type]: text", the timestamp part left out when it is empty.
    virtual QString FormatMessage(const QString& text, const QString& channel, TDateTime time,
                                  tArMessageType type) const;
    virtual QString TypeText(tArMessageType type) const;
    // "yyyy-mm-dd hh:nn:ss", "hh:nn:ss" or "yyyy-mm-dd" after ShowDate and ShowTime, else "".
    QString FormatTimestamp(TDateTime time) const;

protected:
    virtual void DoBeginBlock(const QString& title);
    virtual void DoEndBlock();
    // Records one accepted message; runs under the lock of a thread-safe log.
    virtual void DoLog(const QString& text, const QString& channel, TDateTime time,
                       tArMessageType type) = 0;

    // Holds the log's lock while the log is thread-safe.
    std::unique_lock<std::recursive_mutex> LockIfThreadSafe() const;

private:
    void LogLine(const QString& text, const QString& channel, TDateTime time, tArMessageType type);

    QString FName;
    TArMessageLogFilterSettings* FFilterSettings = nullptr;
    std::atomic<int> FBlockLevel{0};
    mutable std::recursive_mutex FLock;
    std::atomic<bool> FThreadSafe{false};
    bool FShowDate = false;
    bool FShowTime = true;
    bool FOwnsFilterSettings = true;
    bool FSplitLines = false;
};

using TArMessageLogList = TArTypedObjectList<TArMessageLog>;

// Hands every message and block to each member log, in order; each member filters and stamps
// for itself. Accepts every message.
class TArMultipleMessageLog : public TArMessageLog {
public:
    explicit TArMultipleMessageLog(const QString& name, TArObjectList* ownerList = nullptr,
                                   TArObject* owner = nullptr);
    ~TArMultipleMessageLog() override;

    const TArMessageLogList& Logs() const { return FLogs; }
    // Takes ownership of `log`, which must be in no list yet. With `shareFilter` the member
    // uses this log's filter settings.
    void Add(TArMessageLog* log, bool shareFilter);

    // Members that share the current settings follow to the new ones.
    void SetFilterSettings(TArMessageLogFilterSettings* settings) override;
    bool Accepts(const QString& channel, tArMessageType type) const override;

protected:
    void DoBeginBlock(const QString& title) override;
    void DoEndBlock() override;
    void DoLog(const QString& text, const QString& channel, TDateTime time,
               tArMessageType type) override;

private:
    TArMessageLogList FLogs;
};

// A log that writes lines of text; with ShowBlocks it also marks blocks.
class TArTextBasedMessageLog : public TArMessageLog {
public:
    using TArMessageLog::TArMessageLog;

    bool ShowBlocks() const { return FShowBlocks; }
    void SetShowBlocks(bool value) { FShowBlocks = value; }

protected:
    void DoBeginBlock(const QString& title) override;
    void DoEndBlock() override;
    virtual void WriteBlockStart(const QString& title);
    virtual void WriteBlockEnd();

private:
    bool FShowBlocks = false;
};

// Receives each line a write-line log writes, without a line end.
using TArLineSink = std::function<void(const QString& line)>;

// Writes a line and a line feed to standard output and flushes it.
void ArWriteLineToStandardOutput(const QString& line);

// Writes each message as one line to its line sink (standard output unless replaced).
class TArWriteLnMessageLog : public TArTextBasedMessageLog {
public:
    explicit TArWriteLnMessageLog(const QString& name, TArObjectList* ownerList = nullptr,
                                  TArObject* owner = nullptr);

    // A null sink restores standard output.
    void SetLineSink(TArLineSink sink);

    // Indents by two blanks per open block when ShowBlocks is set.
    QString FormatMessage(const QString& text, const QString& channel, TDateTime time,
                          tArMessageType type) const override;

protected:
    void DoLog(const QString& text, const QString& channel, TDateTime time,
               tArMessageType type) override;
    void WriteBlockStart(const QString& title) override;

private:
    TArLineSink FLineSink;
};

// Creates the global log: an unnamed, thread-safe multiple log with one memory log named
// "MemoryLog". Called once by main() before anything logs; a second call does nothing.
void ArMessageLogStartup();
// Frees the global log and its members. Called by main() after every other thread has ended.
void ArMessageLogShutdown();
// The global log, or null before start-up and after shut-down.
TArMultipleMessageLog* GlobalMessageLog();

// Logs `text` to the global log, stamped now; nothing when there is no global log.
void LogMessage(const QString& text, const QString& channel, tArMessageType type);
// Logs ArFormat(format, args) ("%s", "%d"; surplus arguments ignored) like LogMessage.
void LogFormat(const QString& format, const QVariantList& args, tArMessageType type,
               const QString& channel);
