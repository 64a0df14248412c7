#include "LyLibraryWriter.h"

#include "ArExceptions.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

LY_UNIT("Units/LyProject")

namespace {

constexpr qsizetype kChunkSize = 1024 * 1024;
// A stretch holds at least this many children of the element the text is cut in.
constexpr size_t kMinStretchChildren = 1024;

// Which bytes a text or attribute value cannot hold as they are. 1: escape in text and in
// attributes; 2: escape in attributes only. NUL ends the value.
constexpr std::array<unsigned char, 256> MakeEscapeTable() {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 0x20; ++c)
        table[size_t(c)] = 1; // control characters and CR, which parsing would drop
    table['\t'] = 2;
    table['\n'] = 2;
    table['&'] = 1;
    table['<'] = 1;
    table['>'] = 1;
    table['"'] = 2;
    return table;
}

constexpr std::array<unsigned char, 256> kEscape = MakeEscapeTable();

constexpr quint64 kOnes = 0x0101010101010101ULL;
constexpr quint64 kHighBits = 0x8080808080808080ULL;

// Whether any byte of `word` is below 0x20 or equals `c`.
quint64 HasByte(quint64 word, unsigned char c) {
    const quint64 x = word ^ (kOnes * c);
    return (x - kOnes) & ~x & kHighBits;
}
quint64 HasControl(quint64 word) {
    return (word - kOnes * 0x20) & ~word & kHighBits;
}

// Indentation stops growing at this depth: two spaces per level of a document nested 100,000
// deep would make a 1 MB file 10 GB. Real libraries are a few levels deep.
constexpr int kMaxIndentDepth = 32;

constexpr char kSpaces[] = "                                                                ";

// Collects the output in a buffer of kChunkSize and hands each full buffer to the sink.
class TOutput {
public:
    explicit TOutput(const TLyXmlSink& sink)
        : FSink(sink)
        , FBuffer(std::make_unique_for_overwrite<char[]>(size_t(kChunkSize))) {}

    void Put(const char* data, qsizetype size) {
        if (size > kChunkSize - FUsed) {
            PutAcrossChunks(data, size);
            return;
        }
        char* out = FBuffer.get() + FUsed;
        FUsed += size;
        // Most pieces are a few bytes long: fixed-size copies avoid a call per piece.
        if (size >= 8 && size <= 16) {
            std::memcpy(out, data, 8);
            std::memcpy(out + size - 8, data + size - 8, 8);
        } else if (size >= 4 && size < 8) {
            std::memcpy(out, data, 4);
            std::memcpy(out + size - 4, data + size - 4, 4);
        } else if (size < 4) {
            for (qsizetype i = 0; i < size; ++i)
                out[i] = data[i];
        } else {
            std::memcpy(out, data, size_t(size));
        }
    }
    template <size_t N>
    void Put(const char (&literal)[N]) {
        Put(literal, qsizetype(N - 1));
    }
    void Put(const char* text) { Put(text, qsizetype(std::strlen(text))); }
    void PutChar(char c) {
        if (FUsed == kChunkSize)
            Flush();
        FBuffer[size_t(FUsed++)] = c;
    }
    void LineEnd() { Put("\r\n"); }
    void Indent(int depth) {
        qsizetype width = qsizetype(std::min(depth, kMaxIndentDepth)) * 2;
        for (; width > qsizetype(sizeof kSpaces - 1); width -= qsizetype(sizeof kSpaces - 1))
            Put(kSpaces, qsizetype(sizeof kSpaces - 1));
        Put(kSpaces, width);
    }

    // Writes `text` with the markup characters escaped; `attribute` also escapes quotes and
    // the blanks that attribute parsing would turn into spaces.
    void PutEscaped(const char* text, bool attribute) {
        const qsizetype length = qsizetype(std::strlen(text));
        const unsigned char limit = attribute ? 2 : 1;
        qsizetype run = 0;
        qsizetype i = 0;
        while (i < length) {
            // Eight bytes at a time while none of them can need an escape.
            if (i + 8 <= length) {
                quint64 word;
                std::memcpy(&word, text + i, sizeof word);
                const quint64 suspect = HasControl(word) | HasByte(word, '&') | HasByte(word, '<') |
                                        HasByte(word, '>') | (attribute ? HasByte(word, '"') : 0);
                if (!suspect) {
                    i += 8;
                    continue;
                }
            }
            const auto c = static_cast<unsigned char>(text[i]);
            const unsigned char kind = kEscape[c];
            if (kind == 0 || kind > limit) {
                ++i;
                continue;
            }
            Put(text + run, i - run);
            PutReference(c);
            run = ++i;
        }
        Put(text + run, length - run);
    }

    void Flush() {
        if (FUsed > 0) {
            const qsizetype used = FUsed;
            FUsed = 0;
            FSink(FBuffer.get(), used);
        }
    }

private:
    void PutAcrossChunks(const char* data, qsizetype size) {
        while (size > kChunkSize - FUsed) {
            const qsizetype room = kChunkSize - FUsed;
            std::memcpy(FBuffer.get() + FUsed, data, size_t(room));
            FUsed = kChunkSize;
            Flush();
            data += room;
            size -= room;
        }
        std::memcpy(FBuffer.get() + FUsed, data, size_t(size));
        FUsed += size;
    }

    void PutReference(unsigned char c) {
        switch (c) {
        case '&':
            Put("&amp;");
            break;
        case '<':
            Put("&lt;");
            break;
        case '>':
            Put("&gt;");
            break;
        case '"':
            Put("&quot;");
            break;
        default: {
            char reference[8];
            const int length = std::snprintf(reference, sizeof reference, "&#%d;", int(c));
            Put(reference, length);
        }
        }
    }

    const TLyXmlSink& FSink;
    std::unique_ptr<char[]> FBuffer;
    qsizetype FUsed = 0;
};

bool IsTextNode(pugi::xml_node node) {
    return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata;
}

void PutCData(TOutput& out, const char* text) {
    // "]]>" cannot stand inside a section: it is split over two.
    out.Put("<![CDATA[");
    const char* run = text;
    for (const char* end = std::strstr(run, "]]>"); end; end = std::strstr(run, "]]>")) {
        out.Put(run, end - run + 2);
        out.Put("]]><![CDATA[");
        run = end + 2;
    }
    out.Put(run);
    out.Put("]]>");
}

void PutText(TOutput& out, pugi::xml_node node) {
    if (node.type() == pugi::node_cdata)
        PutCData(out, node.value());
    else
        out.PutEscaped(node.value(), false);
}

void PutAttributes(TOutput& out, pugi::xml_node node) {
    for (pugi::xml_attribute attribute = node.first_attribute(); attribute;
         attribute = attribute.next_attribute()) {
        out.PutChar(' ');
        out.Put(attribute.name());
        out.Put("=\"");
        out.PutEscaped(attribute.value(), true);
        out.PutChar('"');
    }
}

struct TContent {
    bool HasText = false;      // text of its own or text children
    bool HasStructure = false; // children that are not text
    bool AllTextEmpty = true;
};

TContent ContentOf(const char* value, pugi::xml_node firstChild) {
    TContent content;
    if (*value) {
        content.HasText = true;
        content.AllTextEmpty = false;
    }
    for (pugi::xml_node child = firstChild; child; child = child.next_sibling()) {
        if (IsTextNode(child)) {
            content.HasText = true;
            content.AllTextEmpty = content.AllTextEmpty && !*child.value();
        } else {
            content.HasStructure = true;
        }
    }
    return content;
}

enum class TStart {
    Complete,      // the node is written whole
    Children,      // an element whose children follow on lines of their own
    InlineChildren // an element whose children follow on the same line
};

void PutEndTag(TOutput& out, const char* name) {
    out.Put("</");
    out.Put(name);
    out.PutChar('>');
}

// Writes a node up to its children. Elements without child structure are written whole.
TStart PutStart(TOutput& out, pugi::xml_node node, bool inlineMode) {
    switch (node.type()) {
    case pugi::node_element: {
        const char* name = node.name();
        const qsizetype nameLength = qsizetype(std::strlen(name));
        out.PutChar('<');
        out.Put(name, nameLength);
        if (node.first_attribute())
            PutAttributes(out, node);
        const char* value = node.value();
        const pugi::xml_node firstChild = node.first_child();
        const TContent content = ContentOf(value, firstChild);
        if (!content.HasStructure) {
            if (content.AllTextEmpty) {
                out.Put("/>");
                return TStart::Complete;
            }
            out.PutChar('>');
            out.PutEscaped(value, false);
            for (pugi::xml_node child = firstChild; child; child = child.next_sibling())
                PutText(out, child);
            out.Put("</");
            out.Put(name, nameLength);
            out.PutChar('>');
            return TStart::Complete;
        }
        out.PutChar('>');
        if (inlineMode || content.HasText) {
            out.PutEscaped(value, false);
            return TStart::InlineChildren;
        }
        return TStart::Children;
    }
    case pugi::node_pcdata:
    case pugi::node_cdata:
        PutText(out, node);
        return TStart::Complete;
    case pugi::node_comment:
        out.Put("<!--");
        out.Put(node.value());
        out.Put("-->");
        return TStart::Complete;
    case pugi::node_pi:
        out.Put("<?");
        out.Put(node.name());
        if (*node.value()) {
            out.PutChar(' ');
            out.Put(node.value());
        }
        out.Put("?>");
        return TStart::Complete;
    case pugi::node_declaration:
        out.Put("<?");
        out.Put(node.name());
        PutAttributes(out, node);
        out.Put("?>");
        return TStart::Complete;
    case pugi::node_doctype:
        out.Put("<!DOCTYPE ");
        out.Put(node.value());
        out.PutChar('>');
        return TStart::Complete;
    default:
        return TStart::Complete;
    }
}

} // namespace

void WriteLibraryXmlStretch(const TLyXmlStretch& stretch, const TLyXmlSink& sink) {
    TOutput out(sink);
    if (stretch.ByteOrderMark)
        out.Put("\xEF\xBB\xBF");
    // Walks the tree without recursion, so any nesting depth the parser accepted is written.
    // inlineDepth is the depth of the element whose content goes on its line as it is.
    constexpr int kNone = std::numeric_limits<int>::max();
    int inlineDepth = kNone;
    int depth = stretch.Depth;
    pugi::xml_node node = stretch.Start;
    while (node && node != stretch.Stop) {
        const bool inlineMode = depth > inlineDepth;
        if (!inlineMode)
            out.Indent(depth);
        const TStart start = PutStart(out, node, inlineMode);
        if (start != TStart::Complete) {
            if (start == TStart::InlineChildren && !inlineMode)
                inlineDepth = depth;
            else if (start == TStart::Children)
                out.LineEnd();
            node = node.first_child();
            ++depth;
            continue;
        }
        if (!inlineMode)
            out.LineEnd();
        pugi::xml_node next = node.next_sibling();
        while (!next) {
            node = node.parent();
            --depth;
            if (node.type() == pugi::node_document) {
                out.Flush();
                return;
            }
            if (depth < inlineDepth)
                out.Indent(depth);
            PutEndTag(out, node.name());
            if (depth <= inlineDepth) {
                out.LineEnd();
                inlineDepth = kNone;
            }
            next = node.next_sibling();
        }
        node = next;
    }
    out.Flush();
}

void WriteLibraryXml(const pugi::xml_document& document, bool byteOrderMark,
                     const TLyXmlSink& sink) {
    WriteLibraryXmlStretch({document.first_child(), 0, {}, byteOrderMark}, sink);
}

namespace {

// Whether the walk writes each child of `node` on lines of its own, entered at the node's depth
// + 1 and outside any element written on one line: the node and every element above it hold
// elements and no text.
bool ChildrenOnOwnLines(pugi::xml_node node) {
    for (; node.type() != pugi::node_document; node = node.parent()) {
        if (node.type() != pugi::node_element)
            return false;
        const TContent content = ContentOf(node.value(), node.first_child());
        if (!content.HasStructure || content.HasText)
            return false;
    }
    return true;
}

size_t ChildCount(pugi::xml_node node) {
    size_t count = 0;
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling())
        ++count;
    return count;
}

} // namespace

std::vector<TLyXmlStretch> SplitLibraryXml(const pugi::xml_document& document, bool byteOrderMark,
                                           int count) {
    std::vector<TLyXmlStretch> stretches{{document.first_child(), 0, {}, byteOrderMark}};
    // The element with the most children among the top three levels: a library's tracks.
    pugi::xml_node widest;
    int widestDepth = 0;
    size_t widestCount = 0;
    const auto consider = [&](pugi::xml_node node, int depth) {
        if (node.type() != pugi::node_element)
            return false;
        const size_t children = ChildCount(node);
        if (children > widestCount) {
            widest = node;
            widestDepth = depth;
            widestCount = children;
        }
        return true;
    };
    for (pugi::xml_node a = document.first_child(); a; a = a.next_sibling())
        if (consider(a, 0))
            for (pugi::xml_node b = a.first_child(); b; b = b.next_sibling())
                if (consider(b, 1))
                    for (pugi::xml_node c = b.first_child(); c; c = c.next_sibling())
                        consider(c, 2);
    const size_t pieces = std::min(size_t(std::max(count, 1)), widestCount / kMinStretchChildren);
    if (pieces < 2 || !ChildrenOnOwnLines(widest))
        return stretches;
    // Each cut starts a stretch at a child of the widest element; stretch i ends where i + 1
    // starts.
    size_t index = 0;
    size_t piece = 1;
    for (pugi::xml_node child = widest.first_child(); child && piece < pieces;
         child = child.next_sibling(), ++index) {
        if (index == piece * widestCount / pieces) {
            stretches.back().Stop = child;
            stretches.push_back({child, widestDepth + 1, {}, false});
            ++piece;
        }
    }
    return stretches;
}
