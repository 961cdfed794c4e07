#include "json.h"

#include "texthelpers.h"
#include "textlogging.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace zq {

namespace {

QJsonValue findValue(const QString &json, const QString &key)
{
    if (key.isEmpty())
        return QJsonValue::Undefined;
    QString text = json;
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.trimmed().toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        qCDebug(lcText) << "answer is not a JSON object:" << error.errorString();
        return QJsonValue::Undefined;
    }
    QJsonValue value = document.object();
    const QStringList path = key.split(u'.');
    for (const QString &name : path) {
        if (name.isEmpty() || !value.isObject())
            return QJsonValue::Undefined;
        value = value.toObject().value(name);
    }
    return value;
}

} // namespace

QVariant getJsonValue(const QString &json, const QString &key)
{
    const QJsonValue value = findValue(json, key);
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Bool:
        return value.toBool();
    case QJsonValue::Double: {
        const double number = value.toDouble();
        if (std::trunc(number) == number && number >= std::numeric_limits<int>::min() &&
            number <= std::numeric_limits<int>::max())
            return int(number);
        return number;
    }
    case QJsonValue::Array:
        return value.toArray().toVariantList();
    case QJsonValue::Object:
        return value.toObject().toVariantMap();
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        break;
    }
    return {};
}

QString getJsonText(const QString &json, const QString &key)
{
    const QJsonValue value = findValue(json, key);
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Bool:
        return value.toBool() ? u"true"_s : u"false"_s;
    case QJsonValue::Double:
        return scriptNumberText(value.toDouble());
    default:
        return {};
    }
}

} // namespace zq
