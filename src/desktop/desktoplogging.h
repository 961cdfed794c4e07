#pragma once

#include <QLoggingCategory>

namespace zq {

// The library's diagnostics: QT_LOGGING_RULES="zq.desktop.debug=true" shows them all.
Q_DECLARE_LOGGING_CATEGORY(lcDesktop)

} // namespace zq
