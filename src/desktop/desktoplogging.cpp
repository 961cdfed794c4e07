#include "desktoplogging.h"

namespace zq {

Q_LOGGING_CATEGORY(lcDesktop, "zq.desktop")

} // namespace zq
