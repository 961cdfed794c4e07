#pragma once

#include "zq_build_config.h"

#include <QString>

// The program's name as the build gives it: the caption, the tray's tooltip and the close
// question's title begin with it.
inline QString programName()
{
    return QString::fromUtf8(ZQ_PRODUCT_NAME);
}
