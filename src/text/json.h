#pragma once

#include <QString>
#include <QVariant>

namespace zq {

// Reading the service's JSON answers.

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

} // namespace zq
