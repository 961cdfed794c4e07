#include "netlogging.h"

Q_LOGGING_CATEGORY(lcNet, "zq.net", QtInfoMsg)
