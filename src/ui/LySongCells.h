// What one cell of the song list shows for a song: texts with the fallback to the other side,
// colours, status and star pictures, and the sort keys. Pure functions of a song and the list's
// side; the model and the delegate call them on the main thread.
#pragma once

#include "LySong.h"

#include <QColor>
#include <QString>

enum tLySongColumn {
    scName,
    scArtist,
    scAlbum,
    scGenre,
    scRating,
    scPlayCount,
    scLastPlayed,
    scOne,
    scTwo,
    scStatus,
    scFileName,
};
inline constexpr int kLySongColumnCount = 11;

enum class tLyCellColour { Normal, Red, Purple, Blue, Grey };

// The colour a song's text is drawn in: invalid for Normal (the palette's text), `grey` for
// Grey, else the given colour, lightened to stay readable on a `dark` background.
QColor LyCellColour(tLyCellColour colour, bool dark, const QColor& grey);

// How a list looks at songs: the side shown first and whether it is a library's page.
struct TLySongListSide {
    int Side = 0;
    bool LibrarySpecific = false;

    // The library page's side modified, or either side elsewhere.
    bool IsResultModified(const TLySong& song) const;
    bool IsPartModified(const TLySong& song, tLySongPart part) const;
    // The current value of the list's side, the other side's when empty (zero).
    const QString& Text(const TLySong& song, tLySongPart part) const;
    // The side's current values whose location the File Name column shows.
    const TLySongProperties& FileSide(const TLySong& song) const;
    // The rating the Rating column draws.
    int Rating(const TLySong& song) const;
    int PlayCount(const TLySong& song) const;
    double LastPlayed(const TLySong& song) const;

    QString CellText(const TLySong& song, int column) const;
    // The file status may be asked for (hence not const).
    tLyCellColour CellColour(TLySong& song, int column) const;
    // The status picture of the Name column.
    QString StatusPicture(const TLySong& song) const;
    // Stars drawn in the column (Rating, One, Two), 0 elsewhere or without a track.
    int StarCount(const TLySong& song, int column) const;
    // The star picture of an unselected row.
    QString StarPicture(const TLySong& song) const;
    // 1 exact match, 2 modified exact match, 3 user data differs, 4 song data differs,
    // 5 not matched.
    int StatusRank(const TLySong& song) const;
};

inline constexpr const char* kLySelectedStarPicture = "selected-star";
