#include "LySongCells.h"

#include "ArFormat.h"

namespace {

const TLySongProperties& Other(const TLySong& song, int side) {
    return song.Current(1 - side);
}

} // namespace

bool TLySongListSide::IsResultModified(const TLySong& song) const {
    return LibrarySpecific ? song.IsModified(Side) : song.IsModifiedAny();
}

bool TLySongListSide::IsPartModified(const TLySong& song, tLySongPart part) const {
    return LibrarySpecific ? song.PartModified(Side, part) : song.PartModifiedAny(part);
}

const QString& TLySongListSide::Text(const TLySong& song, tLySongPart part) const {
    const QString& own = song.Current(Side).Text(part);
    return own.isEmpty() ? Other(song, Side).Text(part) : own;
}

int TLySongListSide::Rating(const TLySong& song) const {
    const TLySongProperties& own = song.Current(Side);
    return own.Exists() && own.Rating() != 0 ? own.Rating() : Other(song, Side).Rating();
}

int TLySongListSide::PlayCount(const TLySong& song) const {
    const int own = song.Current(Side).PlayCount();
    return own ? own : Other(song, Side).PlayCount();
}

double TLySongListSide::LastPlayed(const TLySong& song) const {
    const double own = song.Current(Side).LastPlayed();
    return own != 0.0 ? own : Other(song, Side).LastPlayed();
}

const TLySongProperties& TLySongListSide::FileSide(const TLySong& song) const {
    if (LibrarySpecific)
        return song.Current(Side);
    return song.CurrentOne().Exists() ? song.CurrentOne() : song.CurrentTwo();
}

QString TLySongListSide::CellText(const TLySong& song, int column) const {
    switch (column) {
    case scName:
    case scArtist:
    case scAlbum:
    case scGenre:
        return Text(song, tLySongPart(column));
    case scPlayCount:
        return QString::number(PlayCount(song));
    case scLastPlayed: {
        const double lastPlayed = LastPlayed(song);
        return lastPlayed == 0.0
                   ? QString()
                   : FormatDateTime(QStringLiteral("mmmm d, yyyy h:nn:ss"), lastPlayed);
    }
    case scOne:
    case scTwo:
        return song.Original(column - scOne).Exists() ? QString() : QStringLiteral("<Missing>");
    case scStatus: {
        QString text = !song.IsMatched()        ? QStringLiteral("Not matched")
                       : song.SongDataDiffers() ? QStringLiteral("Song data differs")
                       : song.UserDataDiffers() ? QStringLiteral("User data differs")
                                                : QStringLiteral("Exact match");
        if (IsResultModified(song))
            text = ArFormat(QStringLiteral("%s (modified)"), {text});
        return text;
    }
    case scFileName:
        return FileSide(song).Location();
    default:
        return {};
    }
}

tLyCellColour TLySongListSide::CellColour(TLySong& song, int column) const {
    switch (column) {
    case scName:
    case scArtist:
    case scAlbum:
    case scGenre:
    case scPlayCount:
    case scLastPlayed: {
        if (!song.IsMatched())
            return tLyCellColour::Normal;
        const tLySongPart part = column == scPlayCount    ? sdPlayCount
                                 : column == scLastPlayed ? sdLastPlayed
                                                          : tLySongPart(column);
        if (song.CurrentOne().PartDiffers(song.CurrentTwo(), part))
            return column < scRating ? tLyCellColour::Red : tLyCellColour::Purple;
        return IsPartModified(song, part) ? tLyCellColour::Blue : tLyCellColour::Normal;
    }
    case scOne:
    case scTwo:
        return song.Original(column - scOne).Exists() ? tLyCellColour::Normal : tLyCellColour::Grey;
    case scStatus:
        return !song.IsMatched()        ? tLyCellColour::Grey
               : song.SongDataDiffers() ? tLyCellColour::Red
               : song.UserDataDiffers() ? tLyCellColour::Purple
               : IsResultModified(song) ? tLyCellColour::Blue
                                        : tLyCellColour::Normal;
    case scFileName: {
        const int side = &FileSide(song) == &song.CurrentOne() ? 0 : 1;
        return song.Current(side).FileExists() ? tLyCellColour::Normal : tLyCellColour::Grey;
    }
    default:
        return tLyCellColour::Normal;
    }
}

QString TLySongListSide::StatusPicture(const TLySong& song) const {
    if (!song.IsMatched())
        return QStringLiteral("unmatched");
    if (song.SongDataDiffers())
        return QStringLiteral("song-data-differs");
    if (song.UserDataDiffers())
        return QStringLiteral("user-data-differs");
    if (IsResultModified(song))
        return QStringLiteral("modified");
    return QStringLiteral("exact-match");
}

int TLySongListSide::StarCount(const TLySong& song, int column) const {
    if (column == scRating)
        return Rating(song) / 20;
    if (column == scOne || column == scTwo) {
        const TLySongProperties& original = song.Original(column - scOne);
        return original.Exists() ? original.Stars() : 0;
    }
    return 0;
}

QString TLySongListSide::StarPicture(const TLySong& song) const {
    if (song.IsMatched() && song.CurrentOne().Rating() != song.CurrentTwo().Rating())
        return QStringLiteral("different-star");
    if (IsPartModified(song, sdRating))
        return QStringLiteral("modified-star");
    return QStringLiteral("star");
}

int TLySongListSide::StatusRank(const TLySong& song) const {
    if (!song.IsMatched())
        return 5;
    if (song.SongDataDiffers())
        return 4;
    if (song.UserDataDiffers())
        return 3;
    return IsResultModified(song) ? 2 : 1;
}

QColor LyCellColour(tLyCellColour colour, bool dark, const QColor& grey) {
    QColor result;
    switch (colour) {
    case tLyCellColour::Normal:
        return {};
    case tLyCellColour::Grey:
        return grey;
    case tLyCellColour::Red:
        result = QColor(204, 0, 0);
        break;
    case tLyCellColour::Purple:
        result = QColor(153, 51, 204);
        break;
    case tLyCellColour::Blue:
        result = QColor(51, 102, 204);
        break;
    }
    // On a dark background the given colours are too dark to read: lighter variants.
    return dark ? result.lighter(165) : result;
}
