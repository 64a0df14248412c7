// Builders of tracks and songs, so that a test states only the values it is about.
#pragma once

#include "LyMatching.h"
#include "LySong.h"

#include <memory>
#include <optional>

// Track("Love Song").Artist("ABBA").PlayCount(3).Build()
class TLyTrackBuilder {
public:
    explicit TLyTrackBuilder(const QString& name = QString());

    TLyTrackBuilder& Artist(const QString& value);
    TLyTrackBuilder& Album(const QString& value);
    TLyTrackBuilder& Genre(const QString& value);
    TLyTrackBuilder& Location(const QString& value);
    TLyTrackBuilder& PersistentId(const QString& value);
    TLyTrackBuilder& PlayCount(int value);
    TLyTrackBuilder& Rating(int value);
    TLyTrackBuilder& LastPlayed(TDateTime value);

    TLySongProperties Build() const { return FProperties; }
    std::unique_ptr<TLySongProperties> New() const;

private:
    TLySongProperties FProperties;
};

inline TLyTrackBuilder Track(const QString& name = QString()) {
    return TLyTrackBuilder(name);
}

// A song whose sides start with the given tracks (current = original); a missing side holds no
// track. Differences are calculated.
std::unique_ptr<TLySong> MakeSong(const std::optional<TLySongProperties>& one,
                                  const std::optional<TLySongProperties>& two);

// A map with each track added under its keys, in list order.
std::unique_ptr<TLySongPropertiesMap> MapOf(const QList<TLySongProperties>& tracks,
                                            const TLyCompareOptions& options);
