// urlEncode: only letters, digits, "+" and "%XX" come out, and decoding gives back the
// text's code page 936 bytes.

#include "text/ansi.h"
#include "text/texthelpers.h"

#include <QByteArray>

#include <cstdint>

using namespace zq;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString encoded = urlEncode(text);

    QByteArray decoded;
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const char16_t c = encoded.at(i).unicode();
        if (c == u'+') {
            decoded += ' ';
        } else if (c == u'%') {
            if (i + 2 >= encoded.size())
                __builtin_trap();
            const QString hex = encoded.mid(i + 1, 2);
            if (hex != hex.toUpper())
                __builtin_trap();
            bool ok = false;
            decoded += char(hex.toInt(&ok, 16));
            if (!ok)
                __builtin_trap();
            i += 2;
        } else if ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')) {
            decoded += char(c);
        } else {
            __builtin_trap();
        }
    }
    if (decoded != toAnsi(text))
        __builtin_trap();
    return 0;
}
