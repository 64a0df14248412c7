#include "ArFormat.h"

namespace {

QString ApplyWidth(QString text, int width, bool leftAlign) {
    if (width > text.size())
        return leftAlign ? text.leftJustified(width) : text.rightJustified(width);
    return text;
}

QString ConvertArgument(QChar kind, const QVariant& arg, int precision) {
    switch (kind.unicode()) {
    case 'd':
        return QString::number(arg.toLongLong());
    case 'u':
        return QString::number(arg.toULongLong());
    case 'x':
        return QString::number(arg.toULongLong(), 16).toUpper();
    case 'f':
        return QString::number(arg.toDouble(), 'f', precision < 0 ? 2 : precision);
    default:
        return arg.toString();
    }
}

} // namespace

QString ArFormat(const QString& format, const QVariantList& args) {
    QString result;
    result.reserve(format.size() + 16 * args.size());
    qsizetype next = 0;
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = format.at(i);
        if (c != u'%' || i + 1 >= n) {
            result += c;
            continue;
        }
        if (format.at(i + 1) == u'%') {
            result += u'%';
            ++i;
            continue;
        }
        // %[-][width][.precision]kind
        qsizetype j = i + 1;
        const bool leftAlign = format.at(j) == u'-';
        if (leftAlign)
            ++j;
        int width = 0;
        while (j < n && format.at(j).isDigit())
            width = width * 10 + format.at(j++).digitValue();
        int precision = -1;
        if (j < n && format.at(j) == u'.') {
            precision = 0;
            ++j;
            while (j < n && format.at(j).isDigit())
                precision = precision * 10 + format.at(j++).digitValue();
        }
        if (j >= n || !QStringView(u"sduxf").contains(format.at(j)) || next >= args.size()) {
            result += c; // not a placeholder we fill: keep the text as it stands
            continue;
        }
        result +=
            ApplyWidth(ConvertArgument(format.at(j), args.at(next++), precision), width, leftAlign);
        i = j;
    }
    return result;
}
