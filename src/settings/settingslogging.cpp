#include "settingslogging.h"

Q_LOGGING_CATEGORY(lcSettings, "zq.settings")
