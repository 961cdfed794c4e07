// A module that looks like the engine's but is not of this build: the program must refuse it
// before it makes a page, since a module of another build could crash there.
#include "browser/enginemodule.h"

#include <cstdlib>

#ifdef ZQ_FAKE_BUILD_ID
const char *zq_webEngineBuildId()
{
    return ZQ_FAKE_BUILD_ID;
}
#endif

using namespace zq;

PlanPage *zq_createWebEnginePlanPage(QWidget *)
{
    std::abort();
}
