#include "desktoplogging.h"

Q_LOGGING_CATEGORY(lcDesktop, "zq.desktop")
