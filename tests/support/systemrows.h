#pragma once

#include <QtGlobal>

// For a table row whose result is the system's own. Windows converts text with its own code
// page functions, as the original program did, and where the POSIX path gives something else
// (characters outside the code page, bytes that are not GBK) the row states both results;
// the running system's is the one compared.
template <typename T> T bySystem([[maybe_unused]] const T &posix, [[maybe_unused]] const T &windows)
{
#ifdef Q_OS_WIN
    return windows;
#else
    return posix;
#endif
}
