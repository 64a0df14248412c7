// The markup that the XML readers refuse although their parser would take it: the parser
// neither defines nor expands entities, so a document that relies on them would be read
// wrongly (an undefined entity kept as literal text, "&#0;" cutting a text short, a reference
// to a surrogate written back as bytes that are not UTF-8), and saving it would make that
// permanent.
#pragma once

#include <QString>
#include <QtGlobal>

// The offset of the first thing in the UTF-8 document text [text, text + size) that is
// refused, or -1; *problem (when given) receives what it is. Refused: a DOCTYPE with an
// internal subset (entity and element definitions), a "&" outside comments, CDATA sections
// and processing instructions that does not start "&amp;", "&lt;", "&gt;", "&quot;", "&apos;"
// or a character reference, and a character reference to NUL, a surrogate or a number past
// U+10FFFF.
qint64 VxFindUnsupportedXml(const char* text, qint64 size, QString* problem);
