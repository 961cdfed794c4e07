// regReplace with arbitrary patterns, and the betting-number filter on arbitrary text.
// Input: pattern, NUL, text, NUL, replacement (UTF-8).

#include "text/texthelpers.h"

#include <QByteArray>
#include <QList>

#include <cstdint>

using namespace zq;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<QByteArray> parts = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0');
    const QString pattern = QString::fromUtf8(parts.value(0).left(200));
    const QString text = QString::fromUtf8(parts.value(1).left(2000));
    const QString replacement = QString::fromUtf8(parts.value(2).left(200));

    regReplace(text, pattern, replacement);

    // The filter keeps ASCII digits, ASCII blanks, "*" and ",", and nothing else.
    QString expected;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= u'0' && u <= u'9') || u == u' ' || (u >= u'\t' && u <= u'\r') || u == u'*' || u == u',')
            expected += c;
    }
    if (regReplace(text, QStringLiteral("[^\\d\\s\\*\\,]*"), QString()) != expected)
        __builtin_trap();
    return 0;
}
