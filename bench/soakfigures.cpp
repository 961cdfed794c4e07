#include "soakfigures.h"

#include <QMap>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

using Kind = ServiceControls::Kind;
using Request = ServiceControls::Request;

namespace SoakFigures {

namespace {

struct Report
{
    qint64 atMs = 0;
    int softwareInfo = 0;
    int timeReads = 0;
    int other = 0; // login, plan page, anything else
    QStringList faults;
};

// The largest number of the sorted times within any window shorter than windowMs.
int mostWithin(const std::vector<qint64> &times, qint64 windowMs)
{
    int most = 0;
    size_t first = 0;
    for (size_t last = 0; last < times.size(); ++last) {
        while (times[last] - times[first] >= windowMs)
            ++first;
        most = std::max(most, int(last - first + 1));
    }
    return most;
}

QString offset(qint64 ms)
{
    return QStringLiteral("+%1:%2.%3")
        .arg(ms / 60000)
        .arg((ms / 1000) % 60, 2, 10, QLatin1Char('0'))
        .arg((ms % 1000) / 100);
}

} // namespace

Summary analyse(const QList<Request> &requests, const QList<FaultShot> &faults, int reportPeriodS, qint64 startMs)
{
    QList<Request> sorted;
    for (const Request &r : requests) {
        if (r.atMs >= startMs)
            sorted.append(r);
    }
    std::stable_sort(sorted.begin(), sorted.end(), [](const Request &a, const Request &b) { return a.atMs < b.atMs; });

    // The request each fault hit: the first ones of its kind after it was switched on.
    QMap<qsizetype, QString> hitBy;
    for (const FaultShot &fault : faults) {
        int left = fault.times;
        for (qsizetype i = 0; i < sorted.size() && (left > 0 || fault.times == 0); ++i) {
            const Request &r = sorted.at(i);
            if (r.kind != fault.kind || r.atMs < fault.setAtMs || hitBy.contains(i))
                continue;
            if (fault.times == 0 && r.atMs > fault.untilMs)
                break;
            hitBy.insert(i, fault.label);
            --left;
        }
    }

    Summary summary;
    QList<Report> reports;
    std::vector<qint64> online;
    std::vector<qint64> service;
    QMap<QString, int> before;
    for (qsizetype i = 0; i < sorted.size(); ++i) {
        const Request &r = sorted.at(i);
        if (r.kind != Kind::PlanPage)
            service.push_back(r.atMs);
        if (r.kind == Kind::Online) {
            reports.append(Report{r.atMs, 0, 0, 0, {}});
            online.push_back(r.atMs);
        } else if (reports.isEmpty()) {
            ++before[ServiceControls::kindName(r.kind)];
            continue;
        } else if (r.kind == Kind::SoftwareInfo) {
            ++reports.last().softwareInfo;
        } else if (r.kind == Kind::TimeSource) {
            ++reports.last().timeReads;
        } else {
            ++reports.last().other;
        }
        // A fault that served both of Qt's tries (it sends once more after a connection closed
        // without an answer) is named once.
        if (hitBy.contains(i) && !reports.last().faults.contains(hitBy.value(i)))
            reports.last().faults.append(hitBy.value(i));
    }

    std::vector<qint64> gaps;
    std::printf("Reports as the service saw them (time since the program started; gap to the report before):\n");
    for (qsizetype k = 0; k < reports.size(); ++k) {
        const Report &report = reports.at(k);
        const qint64 gap = k > 0 ? report.atMs - reports.at(k - 1).atMs : -1;
        if (gap >= 0)
            gaps.push_back(gap);
        const QString gapText = gap >= 0 ? QStringLiteral("%1 s").arg(double(gap) / 1000.0, 6, 'f', 2) : u"     -"_s;
        std::printf("    %3lld  %s  gap %s  softinfo %d  time %d%s%s\n", qint64(k + 1),
                    qPrintable(offset(report.atMs - startMs)), qPrintable(gapText), report.softwareInfo,
                    report.timeReads,
                    report.other > 0 ? qPrintable(QStringLiteral("  other %1").arg(report.other)) : "",
                    report.faults.isEmpty() ? "" : qPrintable(u"  <- "_s + report.faults.join(u"; "_s)));
        summary.maxSoftwareInfo = std::max(summary.maxSoftwareInfo, report.softwareInfo);
        summary.maxTimeReads = std::max(summary.maxTimeReads, report.timeReads);
        if (report.softwareInfo == 2)
            ++summary.reportsWithTwoSoftwareInfo;
    }
    summary.reports = int(reports.size());
    QStringList kinds;
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        kinds << it.key() + u' ' + QString::number(it.value());
    summary.beforeFirstReport = kinds.join(u", "_s);
    // Reports follow a one-second tick and may go out a little late, so two in a row can be a
    // moment less than a period apart; a storm puts several into half a period.
    summary.maxOnlineInHalfPeriod = mostWithin(online, qint64(reportPeriodS) * 500);
    summary.maxRequestsInSecond = mostWithin(service, 1000);
    if (!gaps.empty()) {
        std::sort(gaps.begin(), gaps.end());
        summary.minGapMs = gaps.front();
        summary.medianGapMs = gaps[gaps.size() / 2];
        summary.maxGapMs = gaps.back();
    }
    return summary;
}

} // namespace SoakFigures
