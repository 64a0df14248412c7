#include "LyFuzzSupport.h"
#include "LyFuzzTargets.h"

#include "ArDateTime.h"
#include "LyLibraryFile.h"

#include <cmath>

void LyFuzzLibraryValues(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    LocationToPath(text);

    bool ok = false;
    const TDateTime value = ParseLibraryDate(text, &ok);
    if (!ok) {
        LY_FUZZ_CHECK(value == 0.0, text);
        return;
    }
    // Formatting keeps whole seconds: reading the formatted text gives the value cut to them.
    const QString formatted = FormatLibraryDate(value);
    bool again = false;
    const TDateTime reread = ParseLibraryDate(formatted, &again);
    LY_FUZZ_CHECK(again, text + QStringLiteral(" -> ") + formatted);
    LY_FUZZ_CHECK(std::abs(reread - value) * 86400.0 < 1.0,
                  text + QStringLiteral(" -> ") + formatted);
}
