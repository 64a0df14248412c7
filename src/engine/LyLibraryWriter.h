// The readable layout of a library file: CR LF line ends, two spaces per nesting level (up to
// 32 levels), elements that hold only text on one line, empty elements as <name/>.
#pragma once

#include <QtGlobal>

#include <pugixml.hpp>

#include <functional>
#include <vector>

// Receives the written text in pieces of about 1 MB, in order; may raise to stop the writing.
using TLyXmlSink = std::function<void(const char* data, qsizetype size)>;

// Writes every node of `document` in document order: declaration, DOCTYPE, comments and
// processing instructions each on a line of their own. An element that mixes text with
// elements is written on one line as it is, so no whitespace is added to its text.
void WriteLibraryXml(const pugi::xml_document& document, bool byteOrderMark,
                     const TLyXmlSink& sink);

// A stretch of a document's text: from node Start, entered at nesting depth Depth, up to node
// Stop, which it does not write (null: to the end of the document).
struct TLyXmlStretch {
    pugi::xml_node Start;
    int Depth = 0;
    pugi::xml_node Stop;
    bool ByteOrderMark = false;
};

// Cuts the text of `document` into at most `count` stretches that, written one after another,
// give the text of WriteLibraryXml. Only the children of the element with the most children
// among the top three levels (a library's tracks) are cut apart, a thousand or more to a
// stretch; a document without such an element is one stretch.
std::vector<TLyXmlStretch> SplitLibraryXml(const pugi::xml_document& document, bool byteOrderMark,
                                           int count);
// Writes one stretch; the stretches may be written on several threads at once.
void WriteLibraryXmlStretch(const TLyXmlStretch& stretch, const TLyXmlSink& sink);
