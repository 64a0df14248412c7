// Date-time values as stored and shown by the program: days since 30 December 1899 as a double,
// the fraction being the time of day; 0.0 means "never".
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

using TDateTime = double;

inline constexpr double kMSecsPerDay = 86400000.0;

// The calendar date and wall-clock time a value stands for, without any time-zone conversion
// (the result carries Qt::UTC only so that no daylight-saving rule can shift it).
QDateTime DateTimeToQDateTime(TDateTime value);

// The value of a date and wall-clock time; the time zone of `dateTime` is ignored.
TDateTime QDateTimeToDateTime(const QDateTime& dateTime);

TDateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                         int msec = 0);

// The current local date and time.
TDateTime Now();

// Formats a value with a pattern of these tokens (anything else is copied, text in single or
// double quotes literally):
//   yyyy yy  year           mmmm  full month name    mmm  short month name   mm m  month
//   dd d     day            hh h  hour (24-hour)     nn n minutes             ss s  seconds
//   zzz      milliseconds
// Month names are English whatever the locale, so stored and logged texts do not vary.
QString FormatDateTime(const QString& pattern, TDateTime value);
