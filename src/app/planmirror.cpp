#include "planmirror.h"

#include "jsontext.h"

namespace PlanMirror {

QString outplanText(const QString &tzIss, const QString &tzNums)
{
    if (tzNums.isEmpty())
        return noNumbersText();
    const QString period = tzIss.isEmpty() ? QStringLiteral("0001-9999期:") : tzIss;
    const QString numbers = tarel_tools::regReplace(tzNums, QStringLiteral("[^\\d\\s\\*\\,]*"), QString());
    return QStringLiteral("投注期:") + period + QStringLiteral("\r\n") + numbers + QStringLiteral(" \r\n");
}

} // namespace PlanMirror
