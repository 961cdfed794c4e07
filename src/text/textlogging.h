#pragma once

#include <QLoggingCategory>

namespace zq {

// The library's diagnostics: QT_LOGGING_RULES="zq.text.debug=true" shows them all.
Q_DECLARE_LOGGING_CATEGORY(lcText)

} // namespace zq
