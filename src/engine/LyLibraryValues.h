// The text forms of a library's values that the reader and writer share: dates as bytes.
// LocationToPath, ParseLibraryDate and FormatLibraryDate (LyLibraryFile.h) are built on them.
#pragma once

#include "ArDateTime.h"

#include <string_view>

// The value of "YYYY-MM-DD" or "YYYY-MM-DDTHH:MM:SS[.mmm]Z"; false when the date or time is
// not a number or out of range.
bool ParseDateBytes(std::string_view text, TDateTime* value);

// Writes "YYYY-MM-DDTHH:MM:SSZ" into `out` (at least 32 bytes); returns its length.
int FormatDateBytes(TDateTime value, char* out);

// Whether a library file can hold `value` as a date: 0.0 (never), or a finite value within the
// years 1 to 9999.
bool IsLibraryDate(TDateTime value);
