#include "traylogging.h"

namespace zq {

// Quiet unless asked for: every send would otherwise be printed.
Q_LOGGING_CATEGORY(lcTray, "zq.tray", QtInfoMsg)

} // namespace zq
