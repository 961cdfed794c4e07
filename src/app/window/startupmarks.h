#pragma once

namespace zq {

// Marks of the start-up sequence for the benchmark, on category zq.window at debug level:
// "zq.window: start-up step <step> at <microseconds since the epoch> cpu <CPU time of the process
// so far, in microseconds>". The first mark also gives the moment the program's libraries were
// loaded and main() was about to run. Quiet, and nearly free, unless QT_LOGGING_RULES asks for
// zq.window.debug.
namespace StartupMarks {

void mark(const char *step);

// Once, from the window's first showEvent: "first shown at <milliseconds since the epoch>", the
// line the start-up benchmark times exec to first show by, and the step of the same name.
void markFirstShown();

} // namespace StartupMarks

} // namespace zq
