#pragma once

#include "servicecontrols.h"

#include <QList>
#include <QString>

// What the stand-in service saw during a soak run, report by report: each online request
// opens a report, and the requests until the next one are that report's.
namespace SoakFigures {

// A fault switched on for the next `times` requests of one kind, or (times 0) for every
// request of that kind until untilMs.
struct FaultShot
{
    qint64 setAtMs = 0;
    qint64 untilMs = 0;
    ServiceControls::Kind kind = ServiceControls::Kind::Other;
    int times = 1;
    QString label;
};

struct Summary
{
    int reports = 0;
    int maxOnlineInHalfPeriod = 0; // online requests within any half report period
    qint64 minGapMs = -1;          // between two online requests in a row
    qint64 medianGapMs = -1;
    qint64 maxGapMs = -1;
    int maxSoftwareInfo = 0; // software-information posts of one report
    int reportsWithTwoSoftwareInfo = 0;
    int maxTimeReads = 0;        // time-source reads of one report
    int maxRequestsInSecond = 0; // of the service's own requests, any kind but the plan page
    QString beforeFirstReport;   // the requests of start-up, login and first clock read, by kind
};

// Prints one line per report (offsets from startMs) and returns the figures. Requests
// before startMs belong to another run and are left out.
Summary analyse(const QList<ServiceControls::Request> &requests, const QList<FaultShot> &faults, int reportPeriodS,
                qint64 startMs);

} // namespace SoakFigures
