#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

// A value from the settings file or the service put into a query: the characters that
// may stand in a query value as they are ("zq_softinfo" stays as it is), everything else
// percent-encoded, so that "&", "#" or "=" cannot cut the query short or add a key.
inline QString queryValue(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}
