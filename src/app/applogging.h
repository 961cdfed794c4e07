#pragma once

#include <QLoggingCategory>

namespace zq {

// The window's flows: start-up, the software information, the clock and the report.
// QT_LOGGING_RULES="zq.app.debug=true" shows them all.
Q_DECLARE_LOGGING_CATEGORY(lcApp)

} // namespace zq
