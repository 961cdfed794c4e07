#include "applogging.h"

namespace zq {

Q_LOGGING_CATEGORY(lcApp, "zq.app")

} // namespace zq
