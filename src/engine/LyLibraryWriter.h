// The readable layout of a library file: CR LF line ends, two spaces per nesting level (up to
// 32 levels), elements that hold only text on one line, empty elements as <name/>.
#pragma once

#include <QtGlobal>

#include <pugixml.hpp>

#include <functional>

// Receives the written text in pieces of about 1 MB, in order; may raise to stop the writing.
using TLyXmlSink = std::function<void(const char* data, qsizetype size)>;

// Writes every node of `document` in document order: declaration, DOCTYPE, comments and
// processing instructions each on a line of their own. An element that mixes text with
// elements is written on one line as it is, so no whitespace is added to its text.
void WriteLibraryXml(const pugi::xml_document& document, bool byteOrderMark,
                     const TLyXmlSink& sink);
