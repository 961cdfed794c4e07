#include "datetime.h"

#include "textlogging.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

using namespace Qt::StringLiterals;

namespace zq {

namespace {

QString pad2(int value)
{
    return QString::number(value).rightJustified(2, u'0');
}

// Two-digit years as the zh-CN system reads them: 00 to 29 are 2000 to 2029.
int fullYear(const QString &digits)
{
    const int year = digits.toInt();
    if (digits.size() <= 2)
        return year < 30 ? 2000 + year : 1900 + year;
    return year;
}

std::optional<QDateTime> makeDateTime(int year, int month, int day, int hour, int minute, int second)
{
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (year < 100 || !date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

// The text forms that the zh-CN date parser takes for the values this program handles.
// A time alone falls on the system's day zero, 1899-12-30.
std::optional<QDateTime> parseZhDate(const QString &text)
{
    static const QRegularExpression pattern(
        uR"(^\s*(?:(?:(?<y>\d{1,4})(?<sep>[-/.])(?<m>\d{1,2})\k<sep>(?<d>\d{1,2})(?:\s+|$)|)"
        uR"((?<cy>\d{1,4})\s*年\s*(?<cm>\d{1,2})\s*月\s*(?<cd>\d{1,2})\s*日\s*))"
        uR"((?:(?<h>\d{1,2}):(?<n>\d{1,2})(?::(?<s>\d{1,2}))?)?|)"
        uR"((?<th>\d{1,2}):(?<tn>\d{1,2})(?::(?<ts>\d{1,2}))?)\s*$)"_s);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const auto number = [&match](QStringView name) { return match.captured(name).toInt(); };
    if (match.hasCaptured(u"th"))
        return makeDateTime(1899, 12, 30, number(u"th"), number(u"tn"), number(u"ts"));
    const bool chinese = match.hasCaptured(u"cy");
    const int year = fullYear(match.captured(chinese ? u"cy" : u"y"));
    return makeDateTime(year, number(chinese ? u"cm" : u"m"), number(chinese ? u"cd" : u"d"), number(u"h"),
                        number(u"n"), number(u"s"));
}

std::optional<QDateTime> toDateTime(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QDateTime: {
        const QDateTime dateTime = value.toDateTime();
        if (!dateTime.isValid())
            return std::nullopt;
        // The value's own fields, whatever its zone.
        return QDateTime(dateTime.date(), dateTime.time(), Qt::UTC);
    }
    case QMetaType::QDate: {
        const QDate date = value.toDate();
        if (!date.isValid())
            return std::nullopt;
        return QDateTime(date, QTime(0, 0), Qt::UTC);
    }
    case QMetaType::QString:
        return parseZhDate(value.toString());
    default:
        return std::nullopt;
    }
}

std::optional<QString> layout(const QDateTime &value, int mode)
{
    const QDate date = value.date();
    const QTime time = value.time();
    const QString y = QString::number(date.year());
    const QString m = pad2(date.month());
    const QString d = pad2(date.day());
    const QString h = pad2(time.hour());
    const QString n = pad2(time.minute());
    const QString s = pad2(time.second());
    switch (mode) {
    case 1:
        return y + u'-' + m + u'-' + d + u' ' + h + u':' + n + u':' + s;
    case 2:
        return y + u'-' + m + u'-' + d;
    case 3:
        return h + u':' + n + u':' + s;
    case 4:
        return y + u"年"_s + m + u"月"_s + d + u"日"_s;
    case 5:
        return y + u'-' + m + u"-01"_s;
    case 7:
        return y;
    case 8:
        return m;
    case 9:
        return d;
    case 10: {
        const int quarterStart = (date.month() - 1) / 3 * 3 + 1;
        return y + u'-' + pad2(quarterStart) + u"-01"_s;
    }
    case 11:
        return y + m + d;
    case 12:
        return m + u'-' + d;
    case 13:
        return n + u':' + s;
    default: // 6 and anything outside 0 to 13
        return std::nullopt;
    }
}

// How the zh-CN system writes a date-time value as text: short date, then the time
// unless it is midnight.
QString systemText(const QDateTime &value)
{
    QString text = value.date().toString(u"yyyy/M/d"_s);
    if (value.time() != QTime(0, 0))
        text += u' ' + value.time().toString(u"H:mm:ss"_s);
    return text;
}

} // namespace

std::optional<QDateTime> parseClock(const QString &clockText)
{
    static const QRegularExpression pattern(uR"(^(\d{1,4})-(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d)$)"_s);
    const QRegularExpressionMatch match = pattern.match(clockText);
    if (!match.hasMatch())
        return std::nullopt;
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    const QTime time(match.captured(4).toInt(), match.captured(5).toInt(), match.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

// Empty outside the years 1000 to 9999: the clock's form has four digits for the year, and
// a text with three or five would not read back as a clock.
QString formatClock(const QDateTime &value)
{
    const int year = value.date().year();
    if (year < 1000 || year > 9999)
        return {};
    return layout(value, 1).value_or(QString());
}

namespace {

int monthNumber(const QString &abbreviation)
{
    static const QStringList months{u"jan"_s, u"feb"_s, u"mar"_s, u"apr"_s, u"may"_s, u"jun"_s,
                                    u"jul"_s, u"aug"_s, u"sep"_s, u"oct"_s, u"nov"_s, u"dec"_s};
    return int(months.indexOf(abbreviation.toLower())) + 1;
}

} // namespace

QVariant formatDate(const QVariant &value, int mode)
{
    if (!value.isValid() || value.isNull())
        return value;
    if (value.typeId() == QMetaType::QString && value.toString().isEmpty())
        return value;
    const std::optional<QDateTime> dateTime = toDateTime(value);
    if (!dateTime)
        return {};
    if (mode == 0)
        return value;
    const std::optional<QString> text = layout(*dateTime, mode);
    if (!text)
        return {};
    return *text;
}

QString getTimeStamp(int mode)
{
    return getTimeStamp(mode, QDateTime::currentDateTime());
}

QString getTimeStamp(int mode, const QDateTime &now)
{
    QString text = mode == 0 ? systemText(now) : formatDate(now, mode).toString();
    text.remove(u':');
    text.remove(u'-');
    text.remove(u' ');
    return text;
}

QString readDateHeader(const QString &allHeaders)
{
    // Only a header named Date counts, so "X-Update:" or a date inside another header's
    // value cannot set the clock.
    const QStringList lines = allHeaders.split(u'\n');
    for (const QString &line : lines) {
        const qsizetype colon = line.indexOf(u':');
        if (colon < 0 || line.left(colon).trimmed().compare(u"date"_s, Qt::CaseInsensitive) != 0)
            continue;
        QString value = line.mid(colon + 1);
        const qsizetype comma = value.indexOf(u',');
        if (comma >= 0)
            value = value.mid(comma + 1);
        value = value.trimmed();
        const qsizetype gmt = value.indexOf(u" GMT"_s, 0, Qt::CaseInsensitive);
        if (gmt < 0) {
            qCDebug(lcText) << "Date header without GMT:" << line;
            return {};
        }
        static const QRegularExpression pattern(
            uR"(^(\d{1,2})[ -]+([A-Za-z]{3})[ -]+(\d{4}|\d{2})\s+(\d{1,2}):(\d\d):(\d\d)$)"_s);
        const QRegularExpressionMatch match = pattern.match(value.left(gmt).trimmed());
        if (!match.hasMatch()) {
            qCDebug(lcText) << "unreadable Date header:" << line;
            return {};
        }
        const int month = monthNumber(match.captured(2));
        const std::optional<QDateTime> utc =
            month == 0 ? std::nullopt
                       : makeDateTime(fullYear(match.captured(3)), month, match.captured(1).toInt(),
                                      match.captured(4).toInt(), match.captured(5).toInt(), match.captured(6).toInt());
        // The clock text has a four-digit year; a time source outside that is broken.
        const std::optional<QDateTime> local = utc ? std::optional(utc->addSecs(qint64(8) * 3600)) : std::nullopt;
        if (!local || local->date().year() < 1000 || local->date().year() > 9999) {
            qCDebug(lcText) << "impossible date in Date header:" << line;
            return {};
        }
        return formatClock(*local);
    }
    return {};
}

QString addSecondsToClock(const QString &clockText, qint64 seconds)
{
    const std::optional<QDateTime> clock = parseClock(clockText);
    if (!clock)
        return {};
    return formatClock(clock->addSecs(seconds));
}

std::optional<qint64> secondsBetween(const QString &fromClock, const QString &toClock)
{
    const std::optional<QDateTime> from = parseClock(fromClock);
    const std::optional<QDateTime> to = parseClock(toClock);
    if (!from || !to)
        return std::nullopt;
    return from->secsTo(*to);
}

} // namespace zq
