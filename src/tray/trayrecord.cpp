#include "trayrecord.h"

#include "text/ansi.h"

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

    return tarel_tools::cutAnsi(bytes, qMax(0, fieldBytes - 1));
}
