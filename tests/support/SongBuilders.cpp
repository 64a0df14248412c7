#include "SongBuilders.h"

TLyTrackBuilder::TLyTrackBuilder(const QString& name) {
    FProperties.SetName(name);
}

TLyTrackBuilder& TLyTrackBuilder::Artist(const QString& value) {
    FProperties.SetArtist(value);
    return *this;
}

TLyTrackBuilder& TLyTrackBuilder::Album(const QString& value) {
    FProperties.SetAlbum(value);
    return *this;
}

TLyTrackBuilder& TLyTrackBuilder::Genre(const QString& value) {
    FProperties.SetGenre(value);
    return *this;
}

TLyTrackBuilder& TLyTrackBuilder::Location(const QString& value) {
    FProperties.SetLocation(value);
    return *this;
}

TLyTrackBuilder& TLyTrackBuilder::PlayCount(int value) {
    FProperties.SetPlayCount(value);
    return *this;
}

TLyTrackBuilder& TLyTrackBuilder::Rating(int value) {
    FProperties.SetRating(value);
    return *this;
}

TLyTrackBuilder& TLyTrackBuilder::LastPlayed(TDateTime value) {
    FProperties.SetLastPlayed(value);
    return *this;
}

std::unique_ptr<TLySongProperties> TLyTrackBuilder::New() const {
    return std::make_unique<TLySongProperties>(FProperties);
}

std::unique_ptr<TLySong> MakeSong(const std::optional<TLySongProperties>& one,
                                  const std::optional<TLySongProperties>& two) {
    auto song = std::make_unique<TLySong>();
    for (int side = 0; side < 2; ++side) {
        const std::optional<TLySongProperties>& track = side == 0 ? one : two;
        if (track) {
            song->Original(side) = *track;
            song->Current(side) = *track;
        } else {
            song->Original(side).Clear();
            song->Current(side).Clear();
        }
    }
    song->CalculateDifferences();
    return song;
}
