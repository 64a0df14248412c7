#include "LyLoggedMessages.h"

#include "ArMessageLog.h"

TArMemoryMessageLog* LyMemoryLog() {
    auto* memory = dynamic_cast<TArMemoryMessageLog*>(
        GlobalMessageLog()->Logs().FindByName(QStringLiteral("MemoryLog")));
    if (!memory)
        qFatal("The message log has no memory log");
    return memory;
}

QStringList TakeLoggedLines(bool withChannel, const QString& channel) {
    TArMemoryMessageLog* memory = LyMemoryLog();
    QStringList lines;
    for (const TArLoggableMessageData& message : memory->Messages())
        if (channel.isEmpty() || message.Channel == channel)
            lines << (withChannel ? message.Channel + u':' + message.Text : message.Text);
    memory->Clear();
    return lines;
}
