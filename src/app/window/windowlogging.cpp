#include "windowlogging.h"

namespace zq {

Q_LOGGING_CATEGORY(lcWindow, "zq.window")

} // namespace zq
