#pragma once

#include <QString>
#include <QVariant>

namespace zq {

// Reading the service's JSON answers and shaping text for its requests.

// One field of a JSON answer. The answer is parsed as data, never run as code. A dotted
// key walks into nested objects ("a.b" is field b of object a). Text comes back as
// QString, a whole number that fits an int as int, any other number as double, a boolean
// as bool, an array or object as QVariantList or QVariantMap. A missing key, null, a
// path through something that is not an object, or text that is not a JSON object give
// an invalid QVariant. Blanks around the answer and a UTF-8 byte-order mark are allowed.
QVariant getJsonValue(const QString &json, const QString &key);

// The same field as text: text as it is, a number as a browser script prints it
// (2 -> "2", 2.5 -> "2.5", 1e21 -> "1e+21"), a boolean as "true" or "false";
// anything else, missing fields included, as empty text.
QString getJsonText(const QString &json, const QString &key);

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

} // namespace zq
