// The figures as JSON objects, keyed by the command line's part and side names.
#pragma once

#include "CliFigures.h"

#include <QJsonObject>

// "songs", "matched", "only_one", "only_two" and "different" (an object per part).
QJsonObject CliStatsJson(const TCliStats& stats);
// {"one": {part: count, ...}, "two": {...}}.
QJsonObject CliChangesJson(const TCliChanges& changes);
// The object as one line of compact JSON.
QString CliJsonLine(const QJsonObject& object);
