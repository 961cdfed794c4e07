#pragma once

#include <QString>

namespace zq {
class MainWindow;
}

struct SoakOptions
{
    QString service; // the stand-in service, ending in "/"
    int minutes = 30;
    int reportPeriod = 18;     // seconds, the window's seam: about 100 reports in 30 minutes
    qint64 programStartMs = 0; // the service's requests before this belong to another run
};

// A long day in a short time: keeps the signed-in window running against the stand-in
// service for options.minutes, switching a fault on now and then on a schedule it prints
// first, samples the memory of the process tree every minute and finally prints what the
// service saw, report by report. Returns 0 when the run went its full length with the
// window still signed in, 1 otherwise.
int runSoak(zq::MainWindow &window, const SoakOptions &options);
