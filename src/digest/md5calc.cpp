#include "md5calc.h"

#include "text/ansi.h"

#include <QCryptographicHash>

namespace zq {

QString md5Hex(const QString &text)
{
    const QByteArray digest = QCryptographicHash::hash(toAnsi(text), QCryptographicHash::Md5);
    return QString::fromLatin1(digest.toHex().toUpper());
}

} // namespace zq
