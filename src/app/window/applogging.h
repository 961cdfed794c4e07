#pragma once

#include <QLoggingCategory>

namespace zq {

// The library's diagnostics: QT_LOGGING_RULES="zq.app.debug=true" shows them all.
Q_DECLARE_LOGGING_CATEGORY(lcApp)

} // namespace zq
