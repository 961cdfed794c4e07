#include "browserlogging.h"

Q_LOGGING_CATEGORY(lcBrowser, "zq.browser")
