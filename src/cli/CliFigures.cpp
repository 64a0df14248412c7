#include "CliFigures.h"

#include "LyLibraryFile.h"
#include "LyMatchResult.h"

TCliStats CountStats(const TLyMatchResult& result) {
    TCliStats stats;
    for (const TLySong* song : result.Songs()) {
        ++stats.Songs;
        if (!song->IsMatched()) {
            ++(song->OriginalOne().Exists() ? stats.OnlyOne : stats.OnlyTwo);
            continue;
        }
        ++stats.Matched;
        for (int part = sdName; part <= sdRating; ++part)
            if (song->Differences().Contains(tLySongPart(part)))
                ++stats.Different[part];
    }
    return stats;
}

void ForEachChange(
    const TLyMatchResult& result,
    const std::function<void(const TLySong& song, int side, tLySongPart part)>& visit) {
    for (const TLySong* song : result.Songs()) {
        if (!song->Checked())
            continue;
        for (int side = 0; side < 2; ++side) {
            if (!song->Original(side).Exists())
                continue;
            for (int part = sdName; part <= sdRating; ++part)
                if (song->PartModified(side, tLySongPart(part)))
                    visit(*song, side, tLySongPart(part));
        }
    }
}

TCliChanges CountChanges(const TLyMatchResult& result) {
    TCliChanges changes{};
    ForEachChange(result,
                  [&](const TLySong&, int side, tLySongPart part) { ++changes[side][part]; });
    return changes;
}

QString CliValueText(const TLySongProperties& properties, tLySongPart part) {
    switch (part) {
    case sdName:
    case sdArtist:
    case sdAlbum:
    case sdGenre:
        return properties.Text(part);
    case sdPlayCount:
        return QString::number(properties.PlayCount());
    case sdLastPlayed:
        return properties.LastPlayed() > 0 ? FormatLibraryDate(properties.LastPlayed()) : QString();
    case sdRating:
        return QString::number(properties.Rating());
    }
    return {};
}
