// Library files for the command tests: two small libraries whose figures are known, and the
// tracks of a library file as the engine reads them.
#pragma once

#include "LySong.h"

#include <QByteArray>
#include <QList>

// Library One: "Waterloo" (played 3 times, rated 60, last played 2006-01-01), a song only in
// One, and a song whose name holds a comma and quotes (never played, rated 100).
QByteArray KnownLibraryOne();
// Library Two: "Waterloo" (played 5 times, rated 80, last played 2007-05-05), the quoted song
// (played 7 times, otherwise as in One) and two songs only in Two.
QByteArray KnownLibraryTwo();
inline const QString kQuotedName = QStringLiteral("Shared, \"quoted\"");

// Every track of the library file, in file order, read by the engine's own reader. Fails the
// current test (and returns an empty list) when the file cannot be loaded.
QList<TLySongProperties> ReadTracks(const QString& fileName);
