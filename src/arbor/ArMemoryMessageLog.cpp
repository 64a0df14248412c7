#include "ArMemoryMessageLog.h"

#include <QtGlobal>

LY_UNIT("Arbor/ArMessageLog")

TArLoggableMessage::TArLoggableMessage(TArLoggableMessageData data, TArObjectList* ownerList,
                                       TArObject* owner)
    : TArObject(ownerList, owner)
    , FData(std::move(data)) {}

TArMemoryMessageLog::TArMemoryMessageLog(const QString& name, TArObjectList* ownerList,
                                         TArObject* owner)
    : TArMessageLog(name, ownerList, owner)
    , FMessages(true, this) {
    TArMemoryMessageLog::SetThreadSafe(true);
    SetSplitLines(true);
}

TArMemoryMessageLog::~TArMemoryMessageLog() = default;

void TArMemoryMessageLog::SetThreadSafe(bool) {
    TArMessageLog::SetThreadSafe(true);
}

int TArMemoryMessageLog::Count() const {
    const auto guard = LockIfThreadSafe();
    return FMessages.Count();
}

QList<TArLoggableMessageData> TArMemoryMessageLog::Messages() const {
    const auto guard = LockIfThreadSafe();
    QList<TArLoggableMessageData> copy;
    copy.reserve(FMessages.Count());
    for (int i = 0; i < FMessages.Count(); ++i)
        copy << FMessages.Item(i)->Data();
    return copy;
}

void TArMemoryMessageLog::Clear() {
    const auto guard = LockIfThreadSafe();
    if (FMessages.Count() > 0)
        RemoveOldest(FMessages.Count());
}

int TArMemoryMessageLog::MaxCount() const {
    const auto guard = LockIfThreadSafe();
    return FMaxCount;
}

void TArMemoryMessageLog::SetMaxCount(int value) {
    const auto guard = LockIfThreadSafe();
    FMaxCount = value;
}

int TArMemoryMessageLog::RemoveCount() const {
    const auto guard = LockIfThreadSafe();
    return FRemoveCount;
}

void TArMemoryMessageLog::SetRemoveCount(int value) {
    const auto guard = LockIfThreadSafe();
    FRemoveCount = value;
}

void TArMemoryMessageLog::AddHandler(IArMemoryMessageLogHandler* handler) {
    LY_ASSERT(handler);
    const auto guard = LockIfThreadSafe();
    if (!FHandlers.contains(handler))
        FHandlers << handler;
}

void TArMemoryMessageLog::RemoveHandler(IArMemoryMessageLogHandler* handler) {
    const auto guard = LockIfThreadSafe();
    FHandlers.removeAll(handler);
}

void TArMemoryMessageLog::DoBeginBlock(const QString& title) {
    AddMessage({QStringLiteral("Logger"), mtInfo, lmkBlockStart, title, Now()});
}

void TArMemoryMessageLog::DoEndBlock() {
    AddMessage({QStringLiteral("Logger"), mtInfo, lmkBlockEnd, QString(), Now()});
}

void TArMemoryMessageLog::DoLog(const QString& text, const QString& channel, TDateTime time,
                                tArMessageType type) {
    LY_ASSERT_MSG(!FRemoving,
                  "Logging from inside a [OnRemoveMemoryLogMessages] handler is not allowed.");
    AddMessage({channel, type, lmkMessage, text, time});
}

void TArMemoryMessageLog::RemoveOldest(int count) {
    struct TRemovingGuard {
        bool& Flag;
        explicit TRemovingGuard(bool& flag)
            : Flag(flag) {
            Flag = true;
        }
        ~TRemovingGuard() { Flag = false; }
    } removing(FRemoving);
    // A handler may remove itself while it is told.
    const QList<IArMemoryMessageLogHandler*> handlers = FHandlers;
    for (IArMemoryMessageLogHandler* handler : handlers)
        handler->MessagesAboutToBeRemoved(this, count);
    for (int i = 0; i < count; ++i)
        FMessages.Delete(0);
    for (IArMemoryMessageLogHandler* handler : handlers)
        handler->MessagesRemoved(this, count);
}

void TArMemoryMessageLog::AddMessage(TArLoggableMessageData data) {
    const auto guard = LockIfThreadSafe();
    if (FMaxCount > 0 && FMessages.Count() >= FMaxCount) {
        // A remove count outside 1..MaxCount would never make room (or remove what is not there).
        const int keep = FMaxCount - qBound(1, FRemoveCount, FMaxCount);
        RemoveOldest(FMessages.Count() - keep);
    }
    const auto* message = new TArLoggableMessage(std::move(data), &FMessages, this);
    const QList<IArMemoryMessageLogHandler*> handlers = FHandlers;
    for (IArMemoryMessageLogHandler* handler : handlers)
        handler->MessageAdded(this, *message);
}
