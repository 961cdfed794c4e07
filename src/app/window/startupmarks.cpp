#include "startupmarks.h"

#include "windowlogging.h"

#include <QDateTime>

#include <chrono>

#ifdef Q_OS_UNIX
#include <time.h>
#endif

namespace zq {

namespace {

long long microsecondsSinceEpoch()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

// CPU time of the whole process so far, all threads: less disturbed by other programs on the
// machine than the wall clock. -1 where it cannot be read.
long long processCpuMicroseconds()
{
#ifdef Q_OS_UNIX
    timespec t{};
    if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t) == 0)
        return (long long)t.tv_sec * 1000000 + t.tv_nsec / 1000;
#endif
    return -1;
}

// Taken by the static initialisation of this file, after the shared libraries' own.
const long long librariesLoaded = microsecondsSinceEpoch();
const long long librariesLoadedCpu = processCpuMicroseconds();

} // namespace

void StartupMarks::mark(const char *step)
{
    if (!lcWindow().isDebugEnabled())
        return;
    static bool first = true;
    if (first) {
        first = false;
        qCDebug(lcWindow, "start-up step libraries loaded at %lld cpu %lld", librariesLoaded, librariesLoadedCpu);
    }
    const long long cpu = processCpuMicroseconds();
    qCDebug(lcWindow, "start-up step %s at %lld cpu %lld", step, microsecondsSinceEpoch(), cpu);
}

void StartupMarks::markFirstShown()
{
    qCDebug(lcWindow, "first shown at %lld ms since the epoch", QDateTime::currentMSecsSinceEpoch());
    mark("first shown");
}

} // namespace zq
