#pragma once

#include <QByteArray>
#include <QString>

namespace zq {

// The system ANSI code page: GBK (code page 936) on the Chinese systems the program is
// made for. This is the only place that knows it; the settings file, the tray record,
// the MD5 input and urlEncode all go through here.

// Text to code page 936 bytes. A character the code page cannot hold becomes "?",
// as Windows does by default.
QByteArray toAnsi(const QString &text);

// Code page 936 bytes to text. A byte sequence that is not valid GBK becomes U+FFFD
// for each offending byte, so nothing stops the conversion half way.
QString fromAnsi(const QByteArray &bytes);

// At most `limit` bytes of code page 936 text, cut before a two-byte character that would
// not fit whole: half a character shows as garbage wherever the bytes end up.
QByteArray cutAnsi(const QByteArray &bytes, qsizetype limit);

} // namespace zq
