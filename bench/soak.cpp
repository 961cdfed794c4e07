#include "soak.h"

#include "app/loginflow.h"
#include "app/mainwindow.h"
#include "app/window/dialogs.h"
#include "proctree.h"
#include "servicecontrols.h"
#include "soakfigures.h"
#include "soakmemory.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPlainTextEdit>
#include <QTimer>

#include <cstdio>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;
using namespace zq;

namespace {

struct Fault
{
    QString target;
    QString mode;
    QString body;
    int times;   // requests it serves, then it clears itself; 0: until cleared
    int periods; // with times 0: cleared after this many report periods
    ServiceControls::Kind kind;
    QString label;
};

// One report meets each fault (the time source stays away for three); the reports after it
// show whether the window finds its rhythm again. Qt sends a request again, once, when the
// connection closes without an answer, so a dropped time source is switched on for a while
// rather than for a number of requests.
QList<Fault> rotation()
{
    using Kind = ServiceControls::Kind;
    return {
        {u"online"_s, u"silent"_s, {}, 1, 0, Kind::Online, u"online: no answer for 15 s"_s},
        {u"online"_s, u"500"_s, {}, 1, 0, Kind::Online, u"online: status 500"_s},
        {u"time"_s, u"drop"_s, {}, 0, 3, Kind::TimeSource, u"time source: closes without an answer"_s},
        {u"online"_s, u"text"_s, u"服务器维护中，请稍后再试"_s, 1, 0, Kind::Online, u"online: odd answer, no kick"_s},
        {u"softinfo"_s, u"silent"_s, {}, 1, 0, Kind::SoftwareInfo, u"softinfo: no answer for 15 s"_s},
        {u"time"_s, u"silent"_s, {}, 1, 0, Kind::TimeSource, u"time source: no answer for 15 s"_s},
    };
}

QString clockOffset(qint64 ms)
{
    return QStringLiteral("+%1:%2").arg(ms / 60000).arg((ms / 1000) % 60, 2, 10, QLatin1Char('0'));
}

QString loadAverage()
{
    QFile loadavg(u"/proc/loadavg"_s);
    return loadavg.open(QIODevice::ReadOnly) ? QString::fromLatin1(loadavg.readAll()).section(u' ', 0, 2) : QString();
}

double treeCpuMs()
{
    double total = 0.0;
    for (const ProcTree::Sample &s : ProcTree::cpu(ProcTree::withDescendants(qint64(getpid()))))
        total += s.cpuMs;
    return total;
}

} // namespace

int runSoak(MainWindow &window, const SoakOptions &options)
{
    ServiceControls controls(options.service);
    const qint64 periodMs = qint64(options.reportPeriod) * 1000;
    const qint64 runMs = qint64(options.minutes) * 60000;

    // One fault every five report periods from the third on, none in the last four, so that
    // the reports after each are seen too.
    struct Planned
    {
        qint64 atMs;
        Fault fault;
    };
    std::vector<Planned> schedule;
    const QList<Fault> faults = rotation();
    for (qint64 at = 3 * periodMs; at < runMs - 4 * periodMs; at += 5 * periodMs)
        schedule.push_back({at, faults.at(qsizetype(schedule.size()) % faults.size())});

    // Every time printed counts from the program's start, as the report lines do.
    const qint64 soakOffsetMs = QDateTime::currentMSecsSinceEpoch() - options.programStartMs;
    std::printf("Soak: %d minutes, online report every %d s (the program's 600 s shortened through its seam), "
                "stand-in service %s\n",
                options.minutes, options.reportPeriod, qPrintable(options.service));
    std::printf("Fault schedule (time since the program started):\n");
    for (const Planned &p : schedule) {
        const QString extent = p.fault.times > 0
                                   ? QStringLiteral("next %1 request").arg(p.fault.times)
                                   : QStringLiteral("for %1 s").arg(p.fault.periods * options.reportPeriod);
        std::printf("    %s  %-8s %-6s %-14s %s\n", qPrintable(clockOffset(soakOffsetMs + p.atMs)),
                    qPrintable(p.fault.target), qPrintable(p.fault.mode), qPrintable(extent),
                    qPrintable(p.fault.label));
    }
    std::printf("Memory of the process tree every minute since the soak started at %s (PSS; its anonymous and "
                "shared-memory part; USS, the pages held privately):\n",
                qPrintable(clockOffset(soakOffsetMs)));
    std::fflush(stdout);

    const LoginFlow &login = *window.findChild<LoginFlow *>();
    const Dialogs &dialogs = *window.findChild<Dialogs *>();
    const QTimer *countDown = window.findChild<QTimer *>(u"count_down"_s);
    const QPlainTextEdit *outplan = window.findChild<QPlainTextEdit *>(u"outplan"_s);
    SoakMemory memory;
    QList<ServiceControls::Request> requests;
    QList<SoakFigures::FaultShot> shots;
    struct Clearing
    {
        qint64 atMs;
        QString target;
        qsizetype shot;
    };
    QList<Clearing> clearings;
    int controlsRefused = 0;

    QElapsedTimer elapsed;
    elapsed.start();
    const double cpuStart = treeCpuMs();
    size_t nextFault = 0;
    int nextMinute = 0;
    bool busy = false;
    bool windowGone = false;

    QEventLoop loop;
    QTimer driver;
    // The driver's control requests wait in nested event loops of their own (the benchmark's,
    // not the window's), in which the driver's timer fires again.
    QObject::connect(&driver, &QTimer::timeout, &loop, [&] {
        if (busy)
            return;
        busy = true;
        const qint64 now = elapsed.elapsed();
        if (nextFault < schedule.size() && now >= schedule[nextFault].atMs) {
            const Fault &f = schedule[nextFault].fault;
            const qint64 setAt = QDateTime::currentMSecsSinceEpoch();
            if (controls.setFault(f.target, f.mode, f.body, f.times)) {
                shots.append({setAt, 0, f.kind, f.times, f.label});
                if (f.times == 0)
                    clearings.append({now + f.periods * periodMs, f.target, shots.size() - 1});
            } else {
                ++controlsRefused;
            }
            ++nextFault;
        }
        for (qsizetype i = 0; i < clearings.size(); ++i) {
            if (now < clearings.at(i).atMs)
                continue;
            if (!controls.setFault(clearings.at(i).target, u"none"_s, {}, 0))
                ++controlsRefused;
            shots[clearings.at(i).shot].untilMs = QDateTime::currentMSecsSinceEpoch();
            clearings.removeAt(i--);
        }
        if (now >= qint64(nextMinute) * 60000) {
            controls.readNew(requests);
            int online = 0;
            for (const ServiceControls::Request &r : requests)
                online += r.kind == ServiceControls::Kind::Online ? 1 : 0;
            memory.sample(nextMinute,
                          QStringLiteral("load %1  online requests so far %2").arg(loadAverage()).arg(online));
            ++nextMinute;
        }
        windowGone = window.unloaded() || !countDown->isActive();
        if (nextMinute > options.minutes || windowGone)
            loop.quit();
        busy = false;
    });
    driver.start(250);
    loop.exec();
    driver.stop();

    const double cpuMs = treeCpuMs() - cpuStart;
    const double wallMs = double(elapsed.elapsed());
    controls.readNew(requests);
    const bool serviceAlive = controls.alive();

    std::printf("\n");
    const SoakFigures::Summary figures =
        SoakFigures::analyse(requests, shots, options.reportPeriod, options.programStartMs);

    const bool signedIn = login.session().account == u"demo"_s && !window.unloaded();
    const bool mirrored = outplan->toPlainText().startsWith(u"投注期:"_s);
    const qsizetype boxes = dialogs.shown().size();
    std::printf("\nAfter %.1f minutes: window %s, %s, plan page %s; %lld message boxes; stand-in service %s",
                wallMs / 60000.0, windowGone ? "GONE" : "still up", signedIn ? "signed in" : "NOT signed in",
                mirrored ? "still mirrored into outplan" : "NOT mirrored", qint64(boxes),
                serviceAlive ? "answering" : "NOT answering");
    if (controlsRefused > 0 || controls.unreadableLines() > 0)
        std::printf("; %d fault switches refused, %d unreadable log lines", controlsRefused,
                    controls.unreadableLines());
    std::printf("\n");
    for (const Dialogs::Shown &box : dialogs.shown())
        std::printf("    message box: %s\n", qPrintable(box.text));

    const int periods = int(wallMs / double(periodMs));
    std::printf("Requests: %d reports over %d report periods; before the first report (start-up, login, first "
                "clock read): %s\n",
                figures.reports, periods, qPrintable(figures.beforeFirstReport));
    std::printf("    online requests within any half period (%.1f s): at most %d; gap between reports: min %.2f s, "
                "median %.2f s, max %.2f s\n",
                options.reportPeriod / 2.0, figures.maxOnlineInHalfPeriod, double(figures.minGapMs) / 1000.0,
                double(figures.medianGapMs) / 1000.0, double(figures.maxGapMs) / 1000.0);
    std::printf("    software-information posts per report: at most %d (%d reports with two); time-source reads "
                "per report: at most %d\n",
                figures.maxSoftwareInfo, figures.reportsWithTwoSoftwareInfo, figures.maxTimeReads);
    std::printf("    the service's requests within any one second (plan page aside): at most %d\n",
                figures.maxRequestsInSecond);
    std::printf("    CPU of the process tree: %.0f ms over %.0f s, %.2f%% of one core\n", cpuMs, wallMs / 1000.0,
                100.0 * cpuMs / wallMs);
    memory.printSummary();

    const bool up = !windowGone && signedIn && mirrored;
    std::printf("@@ soak_reports %d\n@@ soak_periods %d\n@@ soak_max_online_in_half_period %d\n"
                "@@ soak_min_gap_s %.2f\n@@ soak_max_gap_s %.2f\n@@ soak_max_softinfo %d\n@@ soak_max_time_reads %d\n"
                "@@ soak_max_requests_in_second %d\n@@ soak_cpu_percent %.2f\n@@ soak_window_up %d\n",
                figures.reports, periods, figures.maxOnlineInHalfPeriod, double(figures.minGapMs) / 1000.0,
                double(figures.maxGapMs) / 1000.0, figures.maxSoftwareInfo, figures.maxTimeReads,
                figures.maxRequestsInSecond, 100.0 * cpuMs / wallMs, up ? 1 : 0);
    return up && serviceAlive && nextMinute > options.minutes ? 0 : 1;
}
