#pragma once

#include <QLoggingCategory>

namespace zq {

// The window's construction: its start-up marks and the first frame, which the benchmarks
// read. QT_LOGGING_RULES="zq.window.debug=true" shows them.
Q_DECLARE_LOGGING_CATEGORY(lcWindow)

} // namespace zq
