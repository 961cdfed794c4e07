#pragma once

#include <QString>

namespace zq {

// Shaping text for the service's requests and reading its answers' text.

// The text's code page 936 bytes for a URL query: 0-9, A-Z and a-z as they are, a blank
// as "+", every other byte as "%" and two uppercase hexadecimal digits ("-", "_", "."
// and "~" included).
QString urlEncode(const QString &text);

// A value from the settings file or the service put into a query: its code page 936 bytes,
// the characters that may stand in a query value as they are ("zq_softinfo" stays as it
// is), everything else percent-encoded, so that "&", "#" or "=" cannot cut the query short
// or add a key.
QString queryValue(const QString &value);

// Every match of pattern, ignoring letter case, replaced by replacement, in which "$1" to
// "$99", "$&", "$`", "$'" and "$$" have their usual script meaning. \d and \s match ASCII
// digits and blanks only. An invalid pattern gives empty text.
QString regReplace(const QString &text, const QString &pattern, const QString &replacement);

// A number as a browser script's String(x) writes it: the shortest digits that read back as
// the same double, in decimal or exponent notation by ECMAScript's rule (2 -> "2",
// 0.1 + 0.2 -> "0.30000000000000004", 1e21 -> "1e+21", NaN -> "NaN", -0 -> "0"), which
// is what the service's answers and pages were written for.
QString scriptNumberText(double number);

// The service's answers and the typed values are trimmed of blanks only: a tab or a line
// break at the ends is part of the text.
inline QString trimSpaces(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}

// A refusal from the service writes its line breaks as "[br]".
inline QString serviceMessage(QString answer)
{
    return answer.replace(QStringLiteral("[br]"), QStringLiteral("\r\n"));
}

} // namespace zq
