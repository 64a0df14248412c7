// A log that keeps the most recent messages in memory, for a log window to show.
#pragma once

#include "ArMessageLog.h"

#include <QList>

// What a kept message records: a message, or the start or end of a block.
enum tArLoggableMessageKind : quint8 {
    lmkMessage,
    lmkBlockStart,
    lmkBlockEnd,
};

// A kept message as a plain value, for copies handed to other threads.
struct TArLoggableMessageData {
    QString Channel;
    tArMessageType MessageType = mtInfo;
    tArLoggableMessageKind Kind = lmkMessage;
    QString Text;
    TDateTime Time = 0;

    bool operator==(const TArLoggableMessageData&) const = default;
};

class TArLoggableMessage : public TArObject {
public:
    TArLoggableMessage(TArLoggableMessageData data, TArObjectList* ownerList = nullptr,
                       TArObject* owner = nullptr);

    const QString& Channel() const { return FData.Channel; }
    tArMessageType MessageType() const { return FData.MessageType; }
    tArLoggableMessageKind Kind() const { return FData.Kind; }
    const QString& Text() const { return FData.Text; }
    TDateTime Time() const { return FData.Time; }
    const TArLoggableMessageData& Data() const { return FData; }

private:
    TArLoggableMessageData FData;
};

using TArLoggableMessageList = TArTypedObjectList<TArLoggableMessage>;

class TArMemoryMessageLog;

// Observer of a memory log. Handlers run on the logging thread while the log's lock is held:
// they must be quick and must not wait for another thread that may log. Logging from
// MessagesAboutToBeRemoved or MessagesRemoved is refused.
class IArMemoryMessageLogHandler {
public:
    virtual ~IArMemoryMessageLogHandler() = default;
    virtual void MessageAdded(TArMemoryMessageLog* log, const TArLoggableMessage& message) = 0;
    // The oldest `count` messages are about to go.
    virtual void MessagesAboutToBeRemoved(TArMemoryMessageLog* log, int count) = 0;
    virtual void MessagesRemoved(TArMemoryMessageLog* log, int count) = 0;
};

// Keeps up to MaxCount messages, oldest first. Adding to a full log first drops the oldest ones
// so that MaxCount - RemoveCount remain. Always thread-safe; splits texts into lines.
class TArMemoryMessageLog : public TArMessageLog {
public:
    explicit TArMemoryMessageLog(const QString& name, TArObjectList* ownerList = nullptr,
                                 TArObject* owner = nullptr);
    ~TArMemoryMessageLog() override;

    // The lock cannot be switched off.
    void SetThreadSafe(bool threadSafe) override;

    int Count() const;
    // A copy of the kept messages, oldest first.
    QList<TArLoggableMessageData> Messages() const;
    // Removes every message; handlers are told as for any removal.
    void Clear();

    // 0 or less keeps every message.
    int MaxCount() const;
    void SetMaxCount(int value);
    // How many messages a full log drops at once; used between 1 and MaxCount.
    int RemoveCount() const;
    void SetRemoveCount(int value);

    // Handlers are not owned; remove one before freeing it.
    void AddHandler(IArMemoryMessageLogHandler* handler);
    void RemoveHandler(IArMemoryMessageLogHandler* handler);

protected:
    void DoBeginBlock(const QString& title) override;
    void DoEndBlock() override;
    void DoLog(const QString& text, const QString& channel, TDateTime time,
               tArMessageType type) override;

private:
    void AddMessage(TArLoggableMessageData data);
    // Drops the oldest `count` messages, telling the handlers before and after.
    void RemoveOldest(int count);

    TArLoggableMessageList FMessages;
    QList<IArMemoryMessageLogHandler*> FHandlers;
    int FMaxCount = 200;
    int FRemoveCount = 100;
    bool FRemoving = false;
};
