#pragma once

#include <QLoggingCategory>

// The library's diagnostics: QT_LOGGING_RULES="zq.app.debug=true" shows them all.
Q_DECLARE_LOGGING_CATEGORY(lcApp)
