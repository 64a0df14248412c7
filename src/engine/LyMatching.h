// Matching keys and the keyed maps of tracks that pair the songs of two libraries.
//
// Every track is in its library's map once under its full key (its primary entry) and, for
// the components that may be empty, under shortened keys (clones owned by the map). Keys
// ignore letter case; a shortened key belongs to the first track that produced it unless a
// later track has it as its full key.
#pragma once

#include "LyOptions.h"
#include "LySong.h"

#include <QString>

// The key of a track: "/" + component for each component in Components (title, artist,
// album, genre), each normalised by the mode: exact (as it is), alphanumeric (only letters,
// combining marks and digits kept, of every script) or phonetic (the 20-character Soundex
// code of the alphanumeric text when that is empty, ASCII only or holds a Latin letter;
// otherwise the alphanumeric text itself, since Soundex scores only Latin letters). Text is
// compared in Unicode normalisation form C, so a name stored decomposed gets the same key as
// the same name stored composed. In the persistent ID mode a track with a Persistent ID has the
// key "#" + its identifier, whatever the components; one without is keyed as in the exact mode.
QString MakeKey(const TLySongProperties& properties, tLySongCompareMode mode,
                tLySongCompareComponentSet components);

// The Soundex code of `text`, padded with "0" to 20 characters (empty text gives "").
QString SoundexCode(QStringView text);

// Adds a track under its full key (replacing and freeing an earlier entry of that key) and
// under its shortened keys not yet taken. The map takes ownership of `properties`.
void AddEntry(TLySongProperties* properties, TLySongPropertiesMap& map,
              const TLyCompareOptions& options);

// The entry of `otherMap` that pairs with `properties` (a primary entry of the other library,
// whose Key is its full key under `options`): the entry under its key, else the first found by
// dropping allowed-empty components.
TLySongProperties* FindMatch(const TLySongProperties& properties,
                             const TLySongPropertiesMap& otherMap,
                             const TLyCompareOptions& options);

// The room to reserve in a map for `tracks` tracks added with `options`.
int ExpectedMapEntries(int tracks, const TLyCompareOptions& options);
