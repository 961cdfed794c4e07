#include "trayrecord.h"

#include "ansi.h"

quint64 TrayRecord::iconHandle() const
{
    return hIcon.isNull() ? 0 : quint64(hIcon.cacheKey());
}

QString TrayRecord::tipText() const
{
    return tarel_tools::fromAnsi(tipAnsi());
}

QString TrayRecord::infoText() const
{
    return tarel_tools::fromAnsi(infoAnsi());
}

QString TrayRecord::infoTitleText() const
{
    return tarel_tools::fromAnsi(infoTitleAnsi());
}

QByteArray TrayRecord::ansiField(const QString &text, int fieldBytes)
{
    QByteArray bytes = tarel_tools::toAnsi(text);
    // The shell reads a field up to its first NUL. In code page 936 a trail byte is never 0,
    // so any 0 byte is a real NUL.
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);

    const qsizetype limit = qMax(0, fieldBytes - 1);
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
    bytes.truncate(end);
    return bytes;
}
