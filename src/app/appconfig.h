#pragma once

#include <QString>

// Where the program finds the service and its own files. The real program takes the
// hosts from the build and the folder from the executable; tests point them elsewhere.
struct AppConfig
{
    QString serviceBase;
    QString timeSourceUrl;
    QString regSite;
    QString downloadSite;
    QString programDir;

    static AppConfig fromBuild();
};
