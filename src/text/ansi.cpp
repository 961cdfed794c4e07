#include "ansi.h"

namespace zq {

QByteArray cutAnsi(const QByteArray &bytes, qsizetype limit)
{
    if (bytes.size() <= limit)
        return bytes;
    // Walk whole characters from the start: a byte 0x81..0xFE opens a two-byte character,
    // anything else (ASCII, 0x80 for the euro sign, 0xFF) stands alone.
    qsizetype end = 0;
    while (end < bytes.size()) {
        const auto byte = static_cast<unsigned char>(bytes.at(end));
        const qsizetype width = (byte >= 0x81 && byte <= 0xFE) ? 2 : 1;
        if (end + width > limit)
            break;
        end += width;
    }
    return bytes.left(end);
}

} // namespace zq
