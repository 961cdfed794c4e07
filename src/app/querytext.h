#pragma once

#include "ansi.h"

#include <QByteArray>
#include <QString>

// A value from the settings file or the service put into a query: its code page 936 bytes,
// the characters that may stand in a query value as they are ("zq_softinfo" stays as it
// is), everything else percent-encoded, so that "&", "#" or "=" cannot cut the query short
// or add a key.
inline QString queryValue(const QString &value)
{
    return QString::fromLatin1(tarel_tools::toAnsi(value).toPercentEncoding());
}
