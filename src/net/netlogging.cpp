#include "netlogging.h"

namespace zq {

Q_LOGGING_CATEGORY(lcNet, "zq.net", QtInfoMsg)

} // namespace zq
