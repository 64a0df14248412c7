#include "LyLoggedMessages.h"

#include "ArMessageLog.h"

TArMemoryMessageLog* LyMemoryLog() {
    return dynamic_cast<TArMemoryMessageLog*>(
        GlobalMessageLog()->Logs().FindByName(QStringLiteral("MemoryLog")));
}

QList<TArLoggableMessageData> LyLoggedMessages() {
    return LyMemoryLog()->Messages();
}
