// The settings-file reader and writer on arbitrary file contents.
// Input: "section<TAB>key<LF>" followed by the file's bytes.

#include "settings/ini.h"
#include "text/ansi.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

using namespace zq;

namespace {

bool survivesCodePage(const QString &text)
{
    return fromAnsi(toAnsi(text)) == text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    if (!dir.isValid())
        std::abort();
    const QString path = dir.filePath(QStringLiteral("cfg.ini"));

    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype newline = input.indexOf('\n');
    const QByteArray head = newline < 0 ? QByteArray() : input.left(newline).left(200);
    const QByteArray body = newline < 0 ? input : input.mid(newline + 1);
    const qsizetype tab = head.indexOf('\t');
    const QString section = fromAnsi(tab < 0 ? QByteArray() : head.left(tab));
    const QString key = fromAnsi(tab < 0 ? head : head.mid(tab + 1));

    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(body) != body.size())
            std::abort();
    }

    const QString value = readIniValue(section, key, path);
    if (value.contains(QChar(u'\0')) || toAnsi(value).size() > 59999)
        __builtin_trap();

    // What is written reads back, and writing it again changes nothing.
    const QString written = QStringLiteral("v%1").arg(size);
    if (writeIniValue(section, key, written, path) && survivesCodePage(section) && survivesCodePage(key)) {
        if (readIniValue(section, key, path) != written)
            __builtin_trap();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            std::abort();
        const QByteArray before = file.readAll();
        file.close();
        if (!writeIniValue(section, key, written, path))
            __builtin_trap();
        if (!file.open(QIODevice::ReadOnly) || file.readAll() != before)
            __builtin_trap();
    }
    QFile::remove(path);
    return 0;
}
