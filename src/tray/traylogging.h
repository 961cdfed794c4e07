#pragma once

#include <QLoggingCategory>

namespace zq {

// Diagnostics of the tray notifier: QT_LOGGING_RULES="zq.tray.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcTray)

} // namespace zq
