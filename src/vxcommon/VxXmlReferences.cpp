#include "VxXmlReferences.h"

#include "VxText.h"

#include <cstring>
#include <string_view>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The length of the reference at the start of `text` (which starts with "&"), or 0 when it
// is none; *badCharacter tells a well-formed character reference to a character XML forbids.
size_t ReferenceLength(std::string_view text, bool* badCharacter) {
    *badCharacter = false;
    for (const std::string_view name : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"})
        if (text.substr(0, name.size()) == name)
            return name.size();
    if (text.size() < 4 || text[1] != '#')
        return 0;
    const bool hex = text[2] == 'x';
    size_t i = hex ? 3 : 2;
    const size_t first = i;
    quint32 value = 0;
    for (; i < text.size() && text[i] != ';'; ++i) {
        const int digit = hex ? VxHexDigitValue(text[i]) : (IsDigit(text[i]) ? text[i] - '0' : -1);
        if (digit < 0)
            return 0;
        value = value * (hex ? 16 : 10) + quint32(digit);
        if (value > 0x10FFFF)
            value = 0x110000; // stays out of range however many digits follow
    }
    if (i == first || i == text.size())
        return 0;
    *badCharacter = value == 0 || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF;
    return i + 1;
}

// The end of the DOCTYPE that starts at `pos`, or npos when it is not closed; *subset receives
// the offset of the "[" that opens its internal subset, or npos. Quoted identifiers may hold
// "[", ">" and "&" (a URL's query) and are skipped.
size_t DoctypeEnd(std::string_view text, size_t pos, size_t* subset) {
    *subset = std::string_view::npos;
    char quote = 0;
    for (size_t i = pos + 9; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '[') {
            *subset = i;
            return std::string_view::npos;
        } else if (c == '>') {
            return i + 1;
        }
    }
    return std::string_view::npos;
}

// Where the document's content starts: after the declaration, comments, processing
// instructions and the DOCTYPE before the first element.
size_t SkipProlog(std::string_view text) {
    size_t pos = 0;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        pos = 3;
    for (;;) {
        while (pos < text.size() && IsBlank(text[pos]))
            ++pos;
        const std::string_view rest = text.substr(pos);
        size_t end = std::string_view::npos;
        if (rest.substr(0, 2) == "<?" || rest.substr(0, 4) == "<!--") {
            const bool comment = rest[1] == '!';
            end = text.find(comment ? "-->" : "?>", pos + 2);
            if (end != std::string_view::npos)
                end += comment ? 3 : 2;
        } else if (rest.substr(0, 9) == "<!DOCTYPE") {
            size_t subset = 0;
            end = DoctypeEnd(text, pos, &subset);
        }
        if (end == std::string_view::npos)
            return pos; // content, or something unclosed that the parser reports
        pos = end;
    }
}

struct TSection {
    std::string_view Open;
    std::string_view Close;
};

constexpr TSection kSections[] = {{"<![CDATA[", "]]>"}, {"<!--", "-->"}, {"<?", "?>"}};

// Whether `pos` lies inside a comment, CDATA section or processing instruction that starts at
// or after `floor`; *end receives where that section ends. A section is open at `pos` when the
// last opening of its kind before `pos` is not closed before it: an opening that is only text
// inside another section can make this say "inside" wrongly, never "outside".
bool InsideSection(std::string_view text, size_t floor, size_t pos, size_t* end) {
    const std::string_view before = text.substr(floor, pos - floor);
    for (const TSection& section : kSections) {
        const size_t open = before.rfind(section.Open);
        if (open == std::string_view::npos)
            continue;
        if (before.find(section.Close, open + section.Open.size()) != std::string_view::npos)
            continue;
        const size_t close = text.find(section.Close, pos);
        *end = close == std::string_view::npos ? text.size() : close + section.Close.size();
        return true;
    }
    return false;
}

} // namespace

qint64 VxFindUnsupportedXml(const char* data, qint64 size, QString* problem) {
    const std::string_view text(data, size_t(size));
    // Every DOCTYPE counts, not only one in its place before the root element: the parser takes
    // one after stray text too. Sections already searched are not searched again (`floor`), so
    // each check stays linear in the size of the text.
    size_t floor = 0;
    for (size_t pos = text.find("<!DOCTYPE"); pos != std::string_view::npos;
         pos = text.find("<!DOCTYPE", pos)) {
        size_t subset = 0;
        size_t end = DoctypeEnd(text, pos, &subset);
        if (subset == std::string_view::npos) {
            if (end == std::string_view::npos)
                break; // unclosed: the parser reports it
            pos = end;
        } else if (InsideSection(text, floor, pos, &end)) {
            pos = floor = end;
        } else {
            if (problem)
                *problem = QStringLiteral("a DOCTYPE with an internal subset (entity "
                                          "definitions are not supported)");
            return qint64(subset);
        }
    }

    size_t pos = SkipProlog(text);
    floor = pos;
    while (pos < text.size()) {
        const void* found = std::memchr(data + pos, '&', text.size() - pos);
        if (!found)
            return -1;
        pos = size_t(static_cast<const char*>(found) - data);
        bool badCharacter = false;
        const size_t length = ReferenceLength(text.substr(pos), &badCharacter);
        if (length > 0 && !badCharacter) {
            pos += length;
            continue;
        }
        size_t end = 0;
        if (InsideSection(text, floor, pos, &end)) {
            pos = floor = end;
            continue;
        }
        if (problem)
            *problem = badCharacter
                           ? QStringLiteral("a character reference to a character XML forbids")
                           : QStringLiteral("an \"&\" that starts no known entity or character "
                                            "reference (entities are not supported)");
        return qint64(pos);
    }
    return -1;
}
