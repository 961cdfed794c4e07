#pragma once

#include <QString>

namespace zq {

// What start-up learns of the machine and where the settings file is: set once by the window's
// start-up, read by the pieces that send the machine's identity or write the settings file.
struct AppState
{
    QString machineMac;
    QString machineHash;
    QString cfgPath;
};

} // namespace zq
