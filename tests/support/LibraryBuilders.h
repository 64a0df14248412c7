// Builders of library files, so that a test states only the tracks it is about.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One key/value pair of a track dictionary, in file order: {"Name", "string", "Love Song"}.
// A value element without text ("true", "false") is written empty; an empty Key writes the
// value element alone (a dictionary whose pairs are out of step).
struct TLyLibraryPair {
    QString Key;
    QString Type;
    QString Text;
};
using TLyLibraryTrack = QList<TLyLibraryPair>;

// The text of a library file as a music player exports it: declaration, DOCTYPE, tab
// indentation and LF line ends, a few top-level keys, `tracks` under "Tracks" (keyed by their
// track IDs 1, 2, ...) and a playlists array.
QByteArray MakeLibraryXml(const QList<TLyLibraryTrack>& tracks);

// A track with the usual keys: Track ID, Name, Artist, Album, Genre, Play Count, Play Date UTC,
// Rating, Track Type and Location (a file:// URL under `folder`), numbered `id`.
TLyLibraryTrack MakeLibraryTrack(int id, const QString& folder = QStringLiteral("/Music"));

// A library of `count` tracks of about 1.5 KB each, built fast for tests of large files.
QByteArray MakeLargeLibraryXml(int count);
