// The readable layout of settings files: an XML declaration naming UTF-8, two blanks of
// indentation per depth (up to 32), CR LF line ends, text-only elements on one line and empty
// elements self-closing.
#pragma once

#include <QByteArray>

#include <pugixml.hpp>

// The text of `node`: its character data children joined, taken as they stand. An element
// that also has child elements (or comments) gets its text trimmed, because the layout puts
// a line break and indentation after it.
QByteArray VxSettingsXMLNodeText(const pugi::xml_node& node);

// Whether `node` has children that the layout puts on lines of their own (elements, comments
// and processing instructions), as opposed to text only.
bool VxSettingsXMLHasStructure(const pugi::xml_node& node);

// `text` (UTF-8) escaped for element content: "&", "<" and ">", plus CR and the control
// characters that a parser would otherwise change or reject. With `attribute` also '"', tab and
// line feed, which attribute values would lose.
QByteArray VxEscapeXMLText(const char* text, bool attribute);

// The whole file: the declaration, then every element and comment of the document (its own
// declaration and document type are not kept). UTF-8 without a byte-order mark.
QByteArray VxFormatSettingsXML(const pugi::xml_document& document);
