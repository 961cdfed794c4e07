#include "traylogging.h"

// Quiet unless asked for: every send would otherwise be printed.
Q_LOGGING_CATEGORY(lcTray, "zq.tray", QtInfoMsg)
