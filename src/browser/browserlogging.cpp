#include "browserlogging.h"

namespace zq {

// Quiet unless asked for: the engine set-up logs before main() has set the program's rules.
Q_LOGGING_CATEGORY(lcBrowser, "zq.browser", QtInfoMsg)

} // namespace zq
