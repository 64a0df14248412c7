#include "LyLibraryValues.h"

#include "LyLibraryFile.h"
#include "VxText.h"

#include <QDate>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTime>

#include <cmath>
#include <cstdio>
#include <string_view>

namespace {

// Decodes every %XX once. When the decoded bytes are not UTF-8 (an escape from some other
// code page), the text is kept as it was rather than garbled with replacement characters.
QString DecodePercentEscapes(const QString& text) {
    if (!text.contains(u'%'))
        return text;
    const QByteArray source = text.toUtf8();
    QByteArray bytes;
    bytes.reserve(source.size());
    for (qsizetype i = 0; i < source.size(); ++i) {
        const int high = i + 2 < source.size() ? VxHexDigitValue(source[i + 1]) : -1;
        const int low = high >= 0 ? VxHexDigitValue(source[i + 2]) : -1;
        if (source[i] == '%' && low >= 0) {
            bytes += char(high * 16 + low);
            i += 2;
        } else {
            bytes += source[i];
        }
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = decoder.decode(bytes);
    return decoder.hasError() ? text : decoded;
}

bool ParseDigits(std::string_view text, size_t pos, size_t count, int* value) {
    if (pos + count > text.size())
        return false;
    int result = 0;
    for (size_t i = pos; i < pos + count; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        result = result * 10 + (c - '0');
    }
    *value = result;
    return true;
}

} // namespace

// Positions are those of "YYYY-MM-DDTHH:MM:SS.mmmZ"; the time counts from 17 characters on.
bool ParseDateBytes(std::string_view text, TDateTime* value) {
    int year = 0;
    int month = 0;
    int day = 0;
    if (!ParseDigits(text, 0, 4, &year) || !ParseDigits(text, 5, 2, &month) ||
        !ParseDigits(text, 8, 2, &day) || !QDate::isValid(year, month, day))
        return false;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int msec = 0;
    if (text.size() >= 17) {
        if (!ParseDigits(text, 11, 2, &hour) || !ParseDigits(text, 14, 2, &minute))
            return false;
        if (text.size() >= 19 && !ParseDigits(text, 17, 2, &second))
            return false;
        // Fractions of a second: a non-number (the Z of "...:11Z") counts as 0.
        if (text.size() >= 21 && text[19] == '.') {
            int digits = 0;
            while (digits < 3 && 20 + size_t(digits) < text.size() && text[20 + digits] >= '0' &&
                   text[20 + digits] <= '9')
                msec = msec * 10 + (text[20 + digits++] - '0');
            for (; digits > 0 && digits < 3; ++digits)
                msec *= 10;
        }
        if (!QTime::isValid(hour, minute, second, msec))
            return false;
    }
    *value = EncodeDateTime(year, month, day, hour, minute, second, msec);
    return true;
}

// Writes "YYYY-MM-DDTHH:MM:SSZ" into `out` (at least 32 bytes); returns its length.
int FormatDateBytes(TDateTime value, char* out) {
    const QDateTime dateTime = DateTimeToQDateTime(value);
    const QDate date = dateTime.date();
    const QTime time = dateTime.time();
    return std::snprintf(out, 32, "%04d-%02d-%02dT%02d:%02d:%02dZ", date.year(), date.month(),
                         date.day(), time.hour(), time.minute(), time.second());
}

bool IsLibraryDate(TDateTime value) {
    // About 8,200 years either way of 1899: beyond it the conversion below would overflow.
    if (!std::isfinite(value) || std::abs(value) > 3.0e6)
        return false;
    if (value == 0.0)
        return true;
    const int year = DateTimeToQDateTime(value).date().year();
    return year >= 1 && year <= 9999;
}

namespace {

enum class TUrlKind { Other, Drive, Path, Unknown };

// Whether `url` holds `word` (lower-case ASCII) at `from`, letter case ignored: 1 yes, 0 no,
// -1 when a non-ASCII character there leaves it to the expressions (their caseless matching
// takes the long s for an s, for one).
int AsciiWordAt(QStringView url, qsizetype from, std::string_view word) {
    for (size_t i = 0; i < word.size(); ++i) {
        if (from + qsizetype(i) >= url.size())
            return 0;
        const char16_t c = url[from + qsizetype(i)].unicode();
        if (c >= 0x80)
            return -1;
        const char16_t lower = (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
        if (lower != char16_t(word[i]))
            return 0;
    }
    return 1;
}

// What the two expressions below make of `url`, told without running them when its first
// characters are ASCII; *start receives where the captured path begins.
TUrlKind ClassifyUrl(QStringView url, qsizetype* start) {
    int found = AsciiWordAt(url, 0, "file://");
    if (found <= 0)
        return found < 0 ? TUrlKind::Unknown : TUrlKind::Other;
    qsizetype pos = 7;
    found = AsciiWordAt(url, pos, "localhost");
    if (found < 0)
        return TUrlKind::Unknown;
    if (found > 0) {
        pos += 9;
        if (pos >= url.size() || url[pos] != u'/')
            return TUrlKind::Other; // without the host the rest would have to begin with "/"
    }
    if (pos >= url.size() || url[pos] != u'/' || pos + 1 >= url.size())
        return TUrlKind::Other;
    const char16_t letter = url[pos + 1].unicode();
    if (letter >= 0x80)
        return TUrlKind::Unknown;
    const bool isLetter = (letter >= u'a' && letter <= u'z') || (letter >= u'A' && letter <= u'Z');
    if (isLetter && pos + 3 < url.size() && url[pos + 2] == u':') {
        *start = pos + 1;
        return TUrlKind::Drive;
    }
    *start = pos;
    return TUrlKind::Path;
}

} // namespace

QString LocationToPath(const QString& url) {
    // A drive letter after the host "localhost" or after an empty host ("file:///C:/...").
    static const QRegularExpression driveUrl(QStringLiteral("^file://(?:localhost)?/([a-zA-Z]:.+)"),
                                             QRegularExpression::CaseInsensitiveOption |
                                                 QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression fileUrl(QStringLiteral("^file://(?:localhost)?(/.+)"),
                                            QRegularExpression::CaseInsensitiveOption |
                                                QRegularExpression::DotMatchesEverythingOption);
    QString path = url;
    qsizetype start = 0;
    switch (ClassifyUrl(url, &start)) {
    case TUrlKind::Drive:
        path = url.mid(start);
        path.replace(u'/', u'\\');
        break;
    case TUrlKind::Path:
        path = url.mid(start);
        if (path.startsWith(QStringLiteral("//")))
            path.replace(u'/', u'\\');
        break;
    case TUrlKind::Other:
        break;
    case TUrlKind::Unknown:
        if (QRegularExpressionMatch match = driveUrl.match(url); match.hasMatch()) {
            path = match.captured(1);
            path.replace(u'/', u'\\');
        } else if (match = fileUrl.match(url); match.hasMatch()) {
            path = match.captured(1);
            if (path.startsWith(QStringLiteral("//")))
                path.replace(u'/', u'\\');
        }
        break;
    }
    return DecodePercentEscapes(path);
}

TDateTime ParseLibraryDate(QStringView text, bool* ok) {
    TDateTime value = 0.0;
    bool parsed = false;
    if (text.size() < 64) {
        char bytes[64];
        bool ascii = true;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            ascii = ascii && c < 0x80;
            bytes[i] = char(c);
        }
        parsed = ascii && ParseDateBytes(std::string_view(bytes, size_t(text.size())), &value);
    }
    if (ok)
        *ok = parsed;
    return parsed ? value : 0.0;
}

QString FormatLibraryDate(TDateTime value) {
    char buffer[32];
    const int length = FormatDateBytes(value, buffer);
    return QString::fromLatin1(buffer, length);
}
