#pragma once

#include <QString>

// What outplan shows for the page's betting period and numbers.
namespace PlanMirror {

inline QString noNumbersText()
{
    return QStringLiteral("没有发现可以复制的投注号码，请先组号！");
}

// The text for a period and numbers as read from the page; an empty period stands in
// as "0001-9999期:", and the numbers keep only digits, white space, "*" and ",".
QString outplanText(const QString &tzIss, const QString &tzNums);

} // namespace PlanMirror
