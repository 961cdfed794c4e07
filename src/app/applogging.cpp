#include "applogging.h"

Q_LOGGING_CATEGORY(lcApp, "zq.app")
