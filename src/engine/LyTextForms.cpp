#include "LyTextForms.h"

#include <QVarLengthArray>

#include <algorithm>

namespace {

using TDecomposed = QVarLengthArray<char32_t, 64>;

constexpr char32_t kHangulFirst = 0xAC00;
constexpr char32_t kHangulCount = 11172;

// The canonical combining class of `c`; nothing before U+0300 combines.
int CombiningClass(char32_t c) {
    return c < 0x300 ? 0 : QChar::combiningClass(c);
}

// Whether `c` stands for itself in every normalisation form and nothing before it reorders
// past it: a starter (combining class 0) without a canonical decomposition.
bool IsStableStarter(char16_t c) {
    if (c < 0xC0) // no canonical decomposition or combining mark comes before U+00C0
        return true;
    return !QChar::isSurrogate(c) && QChar::combiningClass(c) == 0 &&
           QChar::decompositionTag(c) != QChar::Canonical;
}

// Appends the full canonical decomposition of `c`.
void Decompose(char32_t c, TDecomposed& out) {
    if (c >= kHangulFirst && c < kHangulFirst + kHangulCount) { // by the Hangul algorithm
        const char32_t index = c - kHangulFirst;
        out.append(0x1100 + index / 588);
        out.append(0x1161 + index % 588 / 28);
        if (index % 28 != 0)
            out.append(0x11A7 + index % 28);
    } else if (c >= 0xC0 && QChar::decompositionTag(c) == QChar::Canonical) {
        const QString mapping = QChar::decomposition(c);
        for (qsizetype i = 0; i < mapping.size(); ++i) {
            char32_t part = mapping.at(i).unicode();
            if (mapping.at(i).isHighSurrogate() && i + 1 < mapping.size()) {
                part = QChar::surrogateToUcs4(mapping.at(i), mapping.at(i + 1));
                ++i;
            }
            Decompose(part, out);
        }
    } else {
        out.append(c);
    }
}

// The canonical decomposition of `text` (normalisation form D).
TDecomposed Decomposition(QStringView text) {
    TDecomposed out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        Decompose(c, out);
    }
    // Canonical order: each run of combining marks sorted by combining class, stably (runs are
    // a few marks long).
    for (qsizetype i = 1; i < out.size(); ++i) {
        const char32_t mark = out[i];
        const int markClass = CombiningClass(mark);
        qsizetype j = i;
        for (; markClass != 0 && j > 0 && CombiningClass(out[j - 1]) > markClass; --j)
            out[j] = out[j - 1];
        out[j] = mark;
    }
    return out;
}

} // namespace

bool LyDifferentTextsDiffer(QStringView a, QStringView b) {
    // Up to the first difference the texts agree. When both texts hold a stable starter there,
    // their decompositions differ at that point; so does a text that is a prefix of the other.
    const qsizetype size = std::min(a.size(), b.size());
    qsizetype i = 0;
    while (i < size && a[i] == b[i])
        ++i;
    if (i == size || (IsStableStarter(a[i].unicode()) && IsStableStarter(b[i].unicode())))
        return true;
    // Text below U+0300 (Latin with its accents composed) is its own normal form.
    const auto composed = [](QStringView text) {
        return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x300; });
    };
    if (composed(a) && composed(b))
        return true;
    // Agreeing text before the difference up to a stable starter, and after it from one,
    // decomposes alike in both, so only the stretch between is decomposed.
    qsizetype from = i;
    while (from > 0 && !IsStableStarter(a[from - 1].unicode()))
        --from;
    from = from > 0 ? from - 1 : 0;
    qsizetype same = 0; // units at the end that agree
    while (same < size - i && a[a.size() - 1 - same] == b[b.size() - 1 - same])
        ++same;
    while (same > 0 && !IsStableStarter(a[a.size() - same].unicode()))
        --same;
    return Decomposition(a.sliced(from, a.size() - same - from)) !=
           Decomposition(b.sliced(from, b.size() - same - from));
}
