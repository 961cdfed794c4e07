#pragma once

#include <QLoggingCategory>

// The library's diagnostics: QT_LOGGING_RULES="zq.browser.debug=true" shows them all.
Q_DECLARE_LOGGING_CATEGORY(lcBrowser)
