#pragma once

#include <QString>

namespace zq {

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
