// JSON answers of the service. Input: "key<LF>" followed by the answer as UTF-8.

#include "text/json.h"

#include <QByteArray>

#include <cmath>
#include <cstdint>

using namespace zq;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype newline = input.indexOf('\n');
    const QString key = QString::fromUtf8(newline < 0 ? QByteArrayLiteral("a") : input.left(newline).left(100));
    const QString json = QString::fromUtf8(newline < 0 ? input : input.mid(newline + 1));

    const QVariant value = getJsonValue(json, key);
    const QString text = getJsonText(json, key);

    // A number written as text must read back as the same number.
    if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::Double) {
        const double number = value.toDouble();
        bool ok = false;
        const double back = text.toDouble(&ok);
        if (std::isfinite(number) && (!ok || back != number))
            __builtin_trap();
    }
    if (value.typeId() == QMetaType::QString && text != value.toString())
        __builtin_trap();
    if (!value.isValid() && !text.isEmpty())
        __builtin_trap();
    return 0;
}
