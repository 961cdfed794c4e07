#include "textlogging.h"

Q_LOGGING_CATEGORY(lcText, "zq.text")
