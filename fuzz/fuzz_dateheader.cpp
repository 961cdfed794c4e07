// The Date header of the time source and the date texts of formatDate.

#include "text/datetime.h"

#include <QByteArray>
#include <QRegularExpression>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));

    const QString clock = tarel_tools::readDateHeader(input);
    if (!clock.isEmpty()) {
        // Whatever was read is a clock text that the count-down can advance.
        static const QRegularExpression form(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"));
        if (!form.match(clock).hasMatch())
            __builtin_trap();
        const QString due = tarel_tools::addSecondsToClock(clock, 600);
        if (tarel_tools::addSecondsToClock(clock, 0) != clock || tarel_tools::secondsBetween(clock, due) != 600)
            __builtin_trap();
    }

    for (int mode = -1; mode <= 14; ++mode) {
        const QVariant formatted = tarel_tools::formatDate(input, mode);
        if (mode == 1 && formatted.isValid() && !input.isEmpty() && tarel_tools::formatDate(formatted, 1) != formatted)
            __builtin_trap();
    }
    tarel_tools::addSecondsToClock(input, 1);
    tarel_tools::secondsBetween(input, input);
    return 0;
}
