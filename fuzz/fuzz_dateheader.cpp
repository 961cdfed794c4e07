// The Date header of the time source and the date texts of formatDate.

#include "text/datetime.h"

#include <QByteArray>
#include <QRegularExpression>

#include <cstdint>

using namespace zq;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));

    const QString clock = readDateHeader(input);
    if (!clock.isEmpty()) {
        // Whatever was read is a clock text that the count-down can advance.
        static const QRegularExpression form(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"));
        if (!form.match(clock).hasMatch())
            __builtin_trap();
        const QString due = addSecondsToClock(clock, 600);
        if (addSecondsToClock(clock, 0) != clock || secondsBetween(clock, due) != 600)
            __builtin_trap();
    }

    for (int mode = -1; mode <= 14; ++mode) {
        const QVariant formatted = formatDate(input, mode);
        if (mode == 1 && formatted.isValid() && !input.isEmpty() && formatDate(formatted, 1) != formatted)
            __builtin_trap();
    }
    addSecondsToClock(input, 1);
    secondsBetween(input, input);
    return 0;
}
