// The messages the global message log keeps in its memory log, as tests read them back.
#pragma once

#include "ArMemoryMessageLog.h"

#include <QStringList>

// The memory log of the global message log (started by ArMessageLogStartup).
TArMemoryMessageLog* LyMemoryLog();

// The texts the memory log holds (of `channel` only, unless empty), oldest first, each as
// "<channel>:<text>" with `withChannel`; the log is emptied.
QStringList TakeLoggedLines(bool withChannel = false, const QString& channel = QString());
