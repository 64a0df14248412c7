// The figures the commands print: how many songs match and differ, and what synchronising
// changed.
#pragma once

#include "LySong.h"

#include <array>
#include <functional>

class TLyMatchResult;

struct TCliStats {
    int Songs = 0;
    int Matched = 0;
    int OnlyOne = 0;
    int OnlyTwo = 0;
    // Songs paired by hand that the load paired again, and those it could not (a track gone).
    int PairsApplied = 0;
    int PairsGone = 0;
    // Per part: the matched songs whose two current values differ.
    std::array<int, kLySongPartCount> Different{};
};

// Per side and part: the checked songs whose current value differs from the one read.
using TCliChanges = std::array<std::array<int, kLySongPartCount>, 2>;

TCliStats CountStats(const TLyMatchResult& result);
TCliChanges CountChanges(const TLyMatchResult& result);

// Calls `visit` for each changed part of each side of each checked song, in song order, side
// One before side Two, parts in part order: the values a store of that side writes.
void ForEachChange(
    const TLyMatchResult& result,
    const std::function<void(const TLySong& song, int side, tLySongPart part)>& visit);

// A part's value as plain text: strings as they are, numbers in digits, the last-played time as
// "YYYY-MM-DDTHH:MM:SSZ" and empty for never.
QString CliValueText(const TLySongProperties& properties, tLySongPart part);
