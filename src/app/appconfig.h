#pragma once

#include <QString>

namespace zq {

// Where the program finds the service and its own files. The real program takes the
// hosts from the build and the folder from the executable; tests point them elsewhere.
struct AppConfig
{
    QString serviceBase;
    QString timeSourceUrl;
    QString regSite;
    QString downloadSite;
    QString programDir;
    // The program sends its software-information request before it builds the window, so
    // that the answer travels while the controls are made; SoftwareInfo::refresh takes that
    // answer at its place in the start-up. Tests leave it off and see every request where it
    // is made.
    bool softwareInfoAhead = false;

    static AppConfig fromBuild();
};

} // namespace zq
