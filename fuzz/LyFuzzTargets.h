// The fuzz targets' bodies: each takes one input of arbitrary bytes. A reader may refuse the
// input with its own error, which must name the file; anything else (a crash, a sanitizer
// report, an escaping exception, a broken round trip) is a finding.
#pragma once

#include <cstddef>
#include <cstdint>

// Registers the types and stored classes the bodies need; call once before the first input.
void LyFuzzSetUp();

// A library file loaded, read into a song map, every song written back and the document
// saved; what was saved must load and read again.
void LyFuzzLibraryDocument(const uint8_t* data, size_t size);

// A project file and a preferences file loaded into their options objects and stored again;
// what was stored must load again without being set aside.
void LyFuzzOptionsFiles(const uint8_t* data, size_t size);

// The location conversion and the date text reader on the input taken as UTF-8 text; a date
// that reads must format to a text that reads to the same whole second.
void LyFuzzLibraryValues(const uint8_t* data, size_t size);

// The library file test on a file holding the input; it must agree with the first line.
void LyFuzzIsLibraryFile(const uint8_t* data, size_t size);
