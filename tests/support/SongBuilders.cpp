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

TLyTrackBuilder& TLyTrackBuilder::PersistentId(const QString& value) {
    FProperties.SetPersistentId(value);
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
    song->SetSides(one ? &*one : nullptr, two ? &*two : nullptr);
    return song;
}

std::unique_ptr<TLySongPropertiesMap> MapOf(const QList<TLySongProperties>& tracks,
                                            const TLyCompareOptions& options) {
    auto map = std::make_unique<TLySongPropertiesMap>();
    for (const TLySongProperties& track : tracks)
        AddEntry(new TLySongProperties(track), *map, options);
    return map;
}
