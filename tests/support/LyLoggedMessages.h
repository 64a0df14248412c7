// The messages the global message log keeps in its memory log.
#pragma once

#include "ArMemoryMessageLog.h"

// The memory log of the global message log (started by ArMessageLogStartup).
TArMemoryMessageLog* LyMemoryLog();

// What the memory log holds, oldest first.
QList<TArLoggableMessageData> LyLoggedMessages();
