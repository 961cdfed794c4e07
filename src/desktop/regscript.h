#pragma once

#include <QString>

namespace zq {

// Starts the optional component script beside the program, if it is a file: on Windows
// <programDir>\cfg\reg.bat through cmd.exe with no console window, elsewhere
// <programDir>/cfg/reg.sh through /bin/sh with its output discarded. It runs in the cfg
// folder, detached, and is never waited for. Returns whether a script was started; an
// absent script is the usual case and does nothing.
bool runRegBat(const QString &programDir);

} // namespace zq
