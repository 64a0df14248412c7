#include "VxSettingsXMLWriter.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr char kDeclaration[] = R"(<?xml version="1.0" encoding="UTF-8"?>)";

bool IsText(const pugi::xml_node& node) {
    return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata;
}

bool IsStructure(const pugi::xml_node& node) {
    const pugi::xml_node_type type = node.type();
    return type == pugi::node_element || type == pugi::node_comment || type == pugi::node_pi;
}

// `node` or the first of its following siblings that the layout writes on a line of its own.
pugi::xml_node SkipToStructure(pugi::xml_node node) {
    while (node && !IsStructure(node))
        node = node.next_sibling();
    return node;
}

// Indentation stops growing at this depth, so a file nested 100,000 deep is not written as
// gigabytes of blanks. Settings files are a few levels deep.
constexpr int kMaxIndentDepth = 32;

void Indent(QByteArray& out, int depth) {
    out.append(qsizetype(std::min(depth, kMaxIndentDepth)) * 2, ' ');
}

void WriteEndTag(QByteArray& out, const pugi::xml_node& element, int depth) {
    Indent(out, depth);
    out += "</";
    out += element.name();
    out += '>';
    out += kLineEnd;
}

// Writes what opens `node`; true when its children follow (its end tag comes after them).
bool WriteOpening(QByteArray& out, const pugi::xml_node& node, int depth, bool isRoot) {
    Indent(out, depth);
    if (node.type() == pugi::node_comment) {
        out += "<!--";
        out += node.value();
        out += "-->";
        out += kLineEnd;
        return false;
    }
    if (node.type() == pugi::node_pi) {
        out += "<?";
        out += node.name();
        if (*node.value()) {
            out += ' ';
            out += node.value();
        }
        out += "?>";
        out += kLineEnd;
        return false;
    }
    out += '<';
    out += node.name();
    for (const pugi::xml_attribute& attribute : node.attributes()) {
        out += ' ';
        out += attribute.name();
        out += "=\"";
        out += VxEscapeXMLText(attribute.value(), true);
        out += '"';
    }
    const QByteArray text = VxSettingsXMLNodeText(node);
    if (VxSettingsXMLHasStructure(node)) {
        out += '>';
        out += VxEscapeXMLText(text.constData(), false);
        out += kLineEnd;
        return true;
    }
    if (!text.isEmpty()) {
        out += '>';
        out += VxEscapeXMLText(text.constData(), false);
        out += "</";
        out += node.name();
        out += '>';
        out += kLineEnd;
    } else if (isRoot) {
        // An empty root keeps its end tag, so the file always shows where content goes.
        out += '>';
        out += kLineEnd;
        WriteEndTag(out, node, depth);
    } else {
        out += "/>";
        out += kLineEnd;
    }
    return false;
}

} // namespace

QByteArray VxSettingsXMLNodeText(const pugi::xml_node& node) {
    QByteArray text;
    for (const pugi::xml_node& child : node.children())
        if (IsText(child))
            text += child.value();
    return VxSettingsXMLHasStructure(node) ? text.trimmed() : text;
}

bool VxSettingsXMLHasStructure(const pugi::xml_node& node) {
    return bool(SkipToStructure(node.first_child()));
}

QByteArray VxEscapeXMLText(const char* text, bool attribute) {
    QByteArray out;
    out.reserve(qsizetype(std::strlen(text)));
    for (const char* p = text; *p; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += attribute ? "&quot;" : "\"";
            break;
        default:
            // A parser turns CR LF into LF, and tab and line feed in attribute values into
            // blanks; a character reference keeps them.
            if (c < 0x20 && (attribute || (c != '\t' && c != '\n'))) {
                out += "&#";
                out += QByteArray::number(c);
                out += ';';
            } else {
                out += char(c);
            }
        }
    }
    return out;
}

QByteArray VxFormatSettingsXML(const pugi::xml_document& document) {
    QByteArray out;
    out += kDeclaration;
    out += kLineEnd;
    const pugi::xml_node root = document.document_element();
    int depth = 0;
    pugi::xml_node node = SkipToStructure(document.first_child());
    // Walks the tree without recursion, so a deeply nested file cannot exhaust the stack.
    while (node) {
        if (WriteOpening(out, node, depth, node == root)) {
            node = SkipToStructure(node.first_child());
            ++depth;
            continue;
        }
        for (;;) {
            const pugi::xml_node next = SkipToStructure(node.next_sibling());
            if (next) {
                node = next;
                break;
            }
            if (depth == 0) {
                node = pugi::xml_node();
                break;
            }
            node = node.parent();
            --depth;
            WriteEndTag(out, node, depth);
        }
    }
    return out;
}
