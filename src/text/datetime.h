#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <optional>

namespace zq {

// Date and time as text: the fourteen layouts, the time stamp of the online report, and
// the network clock that is read from a Date header and then advanced by the window.

// value: a null QVariant, empty text, a QDateTime or QDate, or text that reads as a date
// in the zh-CN way ("2018-3-5 7:08:09", "2018/3/5 7:08", "2018-03-30", "2018年3月30日",
// "7:08:09"). A null value or empty text comes back unchanged in every mode; a value that
// is not a date gives an invalid QVariant. Mode 0 returns the value unchanged, modes 1 to
// 13 return text in their layout (mode 6 an invalid QVariant), any other mode an invalid
// QVariant. Fields are taken as they stand, with no time-zone conversion.
QVariant formatDate(const QVariant &value, int mode);

// formatDate of the current local time, or of now, as text with every ":", "-" and blank
// removed (mode 1: yyyyMMddhhmmss). Mode 0 writes the date as the zh-CN system would
// ("2018/3/30 8:05:09", time left out at midnight) before the removal.
QString getTimeStamp(int mode);
QString getTimeStamp(int mode, const QDateTime &now);

// The network clock from an HTTP response's headers: the Date header's
// "Tue, 08 Dec 2026 04:15:37 GMT" read and moved to UTC+8, as "2026-12-08 12:15:37".
// Empty text when there is no Date header, no " GMT" after the date, or the date cannot
// be read or lands outside the years 1000 to 9999; the caller then falls back to the
// local time.
QString readDateHeader(const QString &allHeaders);

// The clock text "yyyy-MM-dd hh:mm:ss" as a date and time without a zone (Qt::UTC stands for
// none, so that adding seconds is plain calendar arithmetic); nothing when it is not that form.
std::optional<QDateTime> parseClock(const QString &clockText);

// A clock as "yyyy-MM-dd hh:mm:ss"; empty text for a year outside 1000 to 9999, which that form
// cannot write.
QString formatClock(const QDateTime &clock);

// The clock text "yyyy-MM-dd hh:mm:ss" moved by seconds, in the same form; empty text when
// clockText is not in that form or the result cannot be written in it (a year outside 1000
// to 9999). Plain calendar arithmetic: no time zone, no daylight saving.
QString addSecondsToClock(const QString &clockText, qint64 seconds);

// toClock minus fromClock in seconds; nothing when either is not a clock text.
std::optional<qint64> secondsBetween(const QString &fromClock, const QString &toClock);

} // namespace zq
