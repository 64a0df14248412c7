// What the fuzz targets share with the tests that replay their inputs: a scratch folder for the
// files an input is written to, and the check that turns a broken promise into a crash report.
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// The process's scratch folder, created on first use and removed when the process ends
// normally. Every input starts with it empty.
QString LyFuzzScratchFolder();
void LyFuzzClearScratch();

// Writes `size` bytes of `data` to `name` in the scratch folder and returns its full path.
QString LyFuzzWriteInput(const QString& name, const uint8_t* data, size_t size);

// Prints what went wrong and aborts, which the fuzzer and the tests both report as a failure.
[[noreturn]] void LyFuzzFail(const char* what, const QString& detail);

#define LY_FUZZ_CHECK(condition, detail)                                                           \
    do {                                                                                           \
        if (!(condition))                                                                          \
            LyFuzzFail(#condition, detail);                                                        \
    } while (false)
