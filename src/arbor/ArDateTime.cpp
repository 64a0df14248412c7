#include "ArDateTime.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <mutex>

namespace {

const QDate kEpoch(1899, 12, 30);

constexpr std::array<const char16_t*, 12> kMonthNames = {
    u"January", u"February", u"March",     u"April",   u"May",      u"June",
    u"July",    u"August",   u"September", u"October", u"November", u"December"};

qsizetype RunLength(const QString& pattern, qsizetype pos) {
    const QChar c = pattern.at(pos).toLower();
    qsizetype end = pos;
    while (end < pattern.size() && pattern.at(end).toLower() == c)
        ++end;
    return end - pos;
}

QString Padded(int value, qsizetype digits) {
    return QString::number(value).rightJustified(digits, u'0');
}

} // namespace

QDateTime DateTimeToQDateTime(TDateTime value) {
    // Round to milliseconds first so that 0.9999999999 reads as the next day's midnight.
    const auto totalMs = static_cast<qint64>(std::llround(value * kMSecsPerDay));
    const qint64 days = totalMs / static_cast<qint64>(kMSecsPerDay);
    const qint64 timeMs = std::llabs(totalMs % static_cast<qint64>(kMSecsPerDay));
    return QDateTime(kEpoch.addDays(days), QTime::fromMSecsSinceStartOfDay(int(timeMs)), Qt::UTC);
}

TDateTime QDateTimeToDateTime(const QDateTime& dateTime) {
    const double days = double(kEpoch.daysTo(dateTime.date()));
    const double fraction = dateTime.time().msecsSinceStartOfDay() / kMSecsPerDay;
    return days >= 0 ? days + fraction : days - fraction;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec) {
    return QDateTimeToDateTime(
        QDateTime(QDate(year, month, day), QTime(hour, minute, second, msec), Qt::UTC));
}

TDateTime Now() {
    // Reading the local time refreshes the C library's time-zone cache under a lock of its own
    // that ThreadSanitizer cannot see; one lock of ours makes the ordering visible to it.
    static std::mutex lock;
    std::unique_lock guard(lock);
    const QDateTime local = QDateTime::currentDateTime();
    guard.unlock();
    return QDateTimeToDateTime(QDateTime(local.date(), local.time(), Qt::UTC));
}

QString FormatDateTime(const QString& pattern, TDateTime value) {
    const QDateTime dt = DateTimeToQDateTime(value);
    const QDate date = dt.date();
    const QTime time = dt.time();
    QString out;
    out.reserve(pattern.size() + 16);
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i);
        if (c == u'\'' || c == u'"') {
            const qsizetype close = pattern.indexOf(c, i + 1);
            const qsizetype end = close < 0 ? pattern.size() : close;
            out += QStringView(pattern).mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        const qsizetype run = RunLength(pattern, i);
        switch (c.toLower().unicode()) {
        case 'y':
            out += run <= 2 ? Padded(date.year() % 100, 2) : Padded(date.year(), 4);
            break;
        case 'm':
            if (run >= 4)
                out += QString::fromUtf16(kMonthNames[date.month() - 1]);
            else if (run == 3)
                out += QString::fromUtf16(kMonthNames[date.month() - 1]).left(3);
            else
                out += Padded(date.month(), run);
            break;
        case 'd':
            out += Padded(date.day(), qMin(run, qsizetype(2)));
            break;
        case 'h':
            out += Padded(time.hour(), qMin(run, qsizetype(2)));
            break;
        case 'n':
            out += Padded(time.minute(), qMin(run, qsizetype(2)));
            break;
        case 's':
            out += Padded(time.second(), qMin(run, qsizetype(2)));
            break;
        case 'z':
            out += Padded(time.msec(), 3);
            break;
        default:
            out += QStringView(pattern).mid(i, run);
            break;
        }
        i += run;
    }
    return out;
}
