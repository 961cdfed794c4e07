#include "settingslogging.h"

namespace zq {

Q_LOGGING_CATEGORY(lcSettings, "zq.settings")

} // namespace zq
