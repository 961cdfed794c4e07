#pragma once

#include <QLoggingCategory>

// Diagnostics of the tray notifier: QT_LOGGING_RULES="zq.tray.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcTray)
