#include "md5calc.h"

#include "text/ansi.h"

#include <QCryptographicHash>

namespace Md5_Calc {

QString md5Hex(const QString &text)
{
    const QByteArray digest = QCryptographicHash::hash(tarel_tools::toAnsi(text), QCryptographicHash::Md5);
    return QString::fromLatin1(digest.toHex().toUpper());
}

} // namespace Md5_Calc
