#include "textlogging.h"

namespace zq {

Q_LOGGING_CATEGORY(lcText, "zq.text")

} // namespace zq
