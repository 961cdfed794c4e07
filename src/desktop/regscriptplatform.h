#pragma once

#include <QString>

class QProcess;

namespace zq {

// What differs between the systems in starting the component script; one file per system.

// The script's file name in the cfg folder: reg.bat on Windows, reg.sh elsewhere.
QString startUpScriptName();

// Sets the program that runs `script`, hidden, in the script's folder (the process's working
// folder, set by the caller). False when that program cannot be named.
bool prepareScriptProcess(QProcess &process, const QString &script);

} // namespace zq
