#include "texthelpers.h"

#include "ansi.h"
#include "textlogging.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace zq {

namespace {

// Expands "$1".."$99", "$&", "$`", "$'" and "$$" the way a script's replace does; any
// other "$" stays as it is.
QString expandReplacement(const QString &replacement, const QRegularExpressionMatch &match, const QString &subject)
{
    if (!replacement.contains(u'$'))
        return replacement;
    const int groups = match.regularExpression().captureCount();
    QString out;
    for (qsizetype i = 0; i < replacement.size(); ++i) {
        const QChar c = replacement.at(i);
        if (c != u'$' || i + 1 >= replacement.size()) {
            out += c;
            continue;
        }
        const QChar next = replacement.at(i + 1);
        if (next == u'$') {
            out += u'$';
            ++i;
        } else if (next == u'&') {
            out += match.captured(0);
            ++i;
        } else if (next == u'`') {
            out += subject.left(match.capturedStart(0));
            ++i;
        } else if (next == u'\'') {
            out += subject.mid(match.capturedEnd(0));
            ++i;
        } else if (next.isDigit() && next.unicode() < 128) {
            int number = next.digitValue();
            qsizetype used = 1;
            if (i + 2 < replacement.size() && replacement.at(i + 2).unicode() < 128 &&
                replacement.at(i + 2).isDigit()) {
                const int two = number * 10 + replacement.at(i + 2).digitValue();
                if (two >= 1 && two <= groups) {
                    number = two;
                    used = 2;
                }
            }
            if (number >= 1 && number <= groups) {
                out += match.captured(number);
                i += used;
            } else {
                out += c;
            }
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

QString scriptNumberText(double number)
{
    if (std::isnan(number))
        return u"NaN"_s;
    if (std::isinf(number))
        return number > 0 ? u"Infinity"_s : u"-Infinity"_s;
    if (number == 0)
        return u"0"_s;

    const QString sign = number < 0 ? u"-"_s : QString();
    const QString scientific = QString::number(std::fabs(number), 'e', QLocale::FloatingPointShortest);
    const qsizetype e = scientific.indexOf(u'e');
    QString digits = scientific.left(e);
    digits.remove(u'.');
    while (digits.size() > 1 && digits.endsWith(u'0'))
        digits.chop(1);
    const int k = int(digits.size());
    const int n = scientific.mid(e + 1).toInt() + 1; // the decimal point sits after n digits

    QString out;
    if (k <= n && n <= 21) {
        out = digits + QString(n - k, u'0');
    } else if (0 < n && n <= 21) {
        out = digits.left(n) + u'.' + digits.mid(n);
    } else if (-6 < n && n <= 0) {
        out = u"0."_s + QString(-n, u'0') + digits;
    } else {
        const int exponent = n - 1;
        const QString mantissa = k == 1 ? digits : digits.left(1) + u'.' + digits.mid(1);
        out = mantissa + u'e' + (exponent < 0 ? u'-' : u'+') + QString::number(std::abs(exponent));
    }
    return sign + out;
}

QString urlEncode(const QString &text)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    const QByteArray bytes = toAnsi(text);
    QByteArray out;
    out.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z')) {
            out += c;
        } else if (byte == ' ') {
            out += '+';
        } else {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 0x0F];
        }
    }
    return QString::fromLatin1(out);
}

QString queryValue(const QString &value)
{
    return QString::fromLatin1(toAnsi(value).toPercentEncoding());
}

QString regReplace(const QString &text, const QString &pattern, const QString &replacement)
{
    // Without UseUnicodePropertiesOption, \d and \s stay ASCII, as the filters expect.
    const QRegularExpression expression(pattern, QRegularExpression::CaseInsensitiveOption);
    if (!expression.isValid()) {
        qCDebug(lcText) << "invalid pattern" << pattern << expression.errorString();
        return {};
    }
    QString out;
    qsizetype done = 0;
    QRegularExpressionMatchIterator matches = expression.globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        out += QStringView(text).mid(done, match.capturedStart(0) - done);
        out += expandReplacement(replacement, match, text);
        done = match.capturedEnd(0);
    }
    out += QStringView(text).mid(done);
    return out;
}

} // namespace zq
