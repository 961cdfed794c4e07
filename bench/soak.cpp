#include "soak.h"

#include "app/appstate.h"
#include "app/controls.h"
#include "app/dialogs.h"
#include "app/zq.h"
#include "proctree.h"
#include "servicecontrols.h"
#include "soakfigures.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

struct Fault
{
    QString target;
    QString mode;
    QString body;
    int times;
    ServiceControls::Kind kind;
    QString label;
};

// Each fault serves the next request(s) of its target and then clears itself, so that one
// report meets it; the next report shows whether the window found its rhythm again.
QList<Fault> rotation()
{
    using Kind = ServiceControls::Kind;
    return {
        {u"online"_s, u"silent"_s, {}, 1, Kind::Online, u"online: no answer for 15 s"_s},
        {u"online"_s, u"500"_s, {}, 1, Kind::Online, u"online: status 500"_s},
        {u"time"_s, u"drop"_s, {}, 3, Kind::TimeSource, u"time source: closed without an answer (3 reads)"_s},
        {u"online"_s, u"text"_s, u"服务器维护中，请稍后再试"_s, 1, Kind::Online, u"online: odd answer, no kick"_s},
        {u"softinfo"_s, u"silent"_s, {}, 1, Kind::SoftwareInfo, u"softinfo: no answer for 15 s"_s},
        {u"time"_s, u"silent"_s, {}, 1, Kind::TimeSource, u"time source: no answer for 15 s"_s},
    };
}

struct Sample
{
    int minute = 0;
    qint64 clientPss = 0; // KiB
    qint64 browserPss = 0;
    qint64 clientUss = 0;
    qint64 browserUss = 0;
    QList<qint64> pids;
    QString load;
};

Sample sample(int minute)
{
    const qint64 self = qint64(getpid());
    Sample s;
    s.minute = minute;
    s.pids = ProcTree::withDescendants(self);
    for (qint64 pid : s.pids) {
        const qint64 pss = std::max<qint64>(0, ProcTree::pssKiB(pid));
        const qint64 uss = std::max<qint64>(0, ProcTree::ussKiB(pid));
        (pid == self ? s.clientPss : s.browserPss) += pss;
        (pid == self ? s.clientUss : s.browserUss) += uss;
    }
    QFile loadavg(u"/proc/loadavg"_s);
    if (loadavg.open(QIODevice::ReadOnly))
        s.load = QString::fromLatin1(loadavg.readAll()).section(u' ', 0, 2);
    return s;
}

double mib(qint64 kib)
{
    return double(kib) / 1024.0;
}

QString clockOffset(qint64 ms)
{
    return QStringLiteral("+%1:%2").arg(ms / 60000).arg((ms / 1000) % 60, 2, 10, QLatin1Char('0'));
}

QString processList(const QList<qint64> &pids)
{
    QStringList names;
    for (qint64 pid : pids)
        names << ProcTree::name(pid) + u' ' + QString::number(pid);
    return names.join(u", "_s);
}

double treeCpuMs(const QList<qint64> &pids)
{
    double total = 0.0;
    for (const ProcTree::Sample &s : ProcTree::cpu(pids))
        total += s.cpuMs;
    return total;
}

} // namespace

int runSoak(zq &window, const SoakOptions &options)
{
    ServiceControls controls(options.service);
    const qint64 periodMs = qint64(options.reportPeriod) * 1000;
    const qint64 runMs = qint64(options.minutes) * 60000;

    // The schedule: one fault every five report periods from the third on, none in the last
    // two periods, so that the report after each is seen too.
    struct Planned
    {
        qint64 atMs;
        Fault fault;
    };
    std::vector<Planned> schedule;
    const QList<Fault> faults = rotation();
    for (qint64 at = 3 * periodMs; at < runMs - 2 * periodMs; at += 5 * periodMs)
        schedule.push_back({at, faults.at(qsizetype(schedule.size()) % faults.size())});

    AppState &state = window.state();
    Controls &ui = window.controls();
    QList<ServiceControls::Request> requests;
    QList<SoakFigures::FaultShot> shots;
    std::vector<Sample> samples;
    int faultsRefused = 0;

    // Every time printed counts from the program's start, as the service's log does.
    const qint64 soakOffsetMs = QDateTime::currentMSecsSinceEpoch() - options.programStartMs;
    std::printf("Soak: %d minutes, online report every %d s (the program's 600 s shortened through its seam), "
                "stand-in service %s\n",
                options.minutes, options.reportPeriod, qPrintable(options.service));
    std::printf("Fault schedule (time since the program started; each fault serves the next request(s) of its "
                "target):\n");
    for (const Planned &p : schedule)
        std::printf("    %s  %-8s %-6s x%d  %s\n", qPrintable(clockOffset(soakOffsetMs + p.atMs)),
                    qPrintable(p.fault.target), qPrintable(p.fault.mode), p.fault.times, qPrintable(p.fault.label));
    std::fflush(stdout);

    QElapsedTimer elapsed;
    elapsed.start();
    const double cpuStart = treeCpuMs(ProcTree::withDescendants(qint64(getpid())));
    size_t nextFault = 0;
    int nextMinute = 0;
    bool busy = false;
    bool windowGone = false;

    std::printf("Memory of the process tree every minute since the soak started at %s (PSS, and USS: the pages "
                "held privately):\n",
                qPrintable(clockOffset(soakOffsetMs)));
    QEventLoop loop;
    QTimer driver;
    // The window's own waits (an online report's answer, the clock) run nested event loops:
    // the driver runs inside them as well, and a control request of its own nests again.
    QObject::connect(&driver, &QTimer::timeout, &loop, [&] {
        if (busy)
            return;
        busy = true;
        const qint64 now = elapsed.elapsed();
        if (nextFault < schedule.size() && now >= schedule[nextFault].atMs) {
            const Fault &f = schedule[nextFault].fault;
            const qint64 setAt = QDateTime::currentMSecsSinceEpoch();
            if (controls.setFault(f.target, f.mode, f.body, f.times))
                shots.append({setAt, f.kind, f.times, f.label});
            else
                ++faultsRefused;
            ++nextFault;
        }
        if (now >= qint64(nextMinute) * 60000) {
            const Sample s = sample(nextMinute);
            controls.readNew(requests);
            int online = 0;
            for (const ServiceControls::Request &r : requests)
                online += r.kind == ServiceControls::Kind::Online ? 1 : 0;
            std::printf("    min %2d  PSS %6.1f MiB (client %5.1f, browser %5.1f)  USS %6.1f MiB (client %5.1f, "
                        "browser %5.1f)  %lld processes  load %s  online requests so far %d\n",
                        s.minute, mib(s.clientPss + s.browserPss), mib(s.clientPss), mib(s.browserPss),
                        mib(s.clientUss + s.browserUss), mib(s.clientUss), mib(s.browserUss), qint64(s.pids.size()),
                        qPrintable(s.load), online);
            if (!samples.empty() && s.pids != samples.front().pids)
                std::printf("        the processes changed: %s\n", qPrintable(processList(s.pids)));
            std::fflush(stdout);
            samples.push_back(s);
            ++nextMinute;
        }
        windowGone = window.unloaded() || !ui.count_down->isActive();
        if (nextMinute > options.minutes || windowGone)
            loop.quit();
        busy = false;
    });
    driver.start(250);
    loop.exec();
    driver.stop();

    const double cpuMs = treeCpuMs(ProcTree::withDescendants(qint64(getpid()))) - cpuStart;
    const double wallMs = double(elapsed.elapsed());
    controls.readNew(requests);
    const bool serviceAlive = controls.alive();

    std::printf("\n");
    const SoakFigures::Summary figures =
        SoakFigures::analyse(requests, shots, options.reportPeriod, options.programStartMs);

    const bool signedIn = state.cur_account == u"demo"_s && !window.unloaded();
    const bool mirrored = ui.outplan->toPlainText().startsWith(u"投注期:"_s);
    const qsizetype boxes = window.dialogs().shown().size();
    std::printf("\nAfter %.1f minutes: window %s, %s, plan page %s; %lld message boxes; stand-in service %s",
                wallMs / 60000.0, windowGone ? "GONE" : "still up", signedIn ? "signed in" : "NOT signed in",
                mirrored ? "still mirrored into outplan" : "NOT mirrored", qint64(boxes),
                serviceAlive ? "answering" : "NOT answering");
    if (faultsRefused > 0 || controls.unreadableLines() > 0)
        std::printf("; %d faults refused, %d unreadable log lines", faultsRefused, controls.unreadableLines());
    std::printf("\n");
    for (const Dialogs::Shown &box : window.dialogs().shown())
        std::printf("    message box: %s\n", qPrintable(box.text));

    const int expected = int(wallMs / double(periodMs));
    std::printf("Requests: %d reports (about %d expected), %d requests before the first one (start-up, login, "
                "first clock read)\n",
                figures.reports, expected, figures.beforeFirstReport);
    std::printf("    online requests within any %d s: at most %d; gap between reports: min %.2f s, median %.2f s, "
                "max %.2f s\n",
                options.reportPeriod, figures.maxOnlineInPeriod, double(figures.minGapMs) / 1000.0,
                double(figures.medianGapMs) / 1000.0, double(figures.maxGapMs) / 1000.0);
    std::printf("    software-information posts per report: at most %d (%d reports with two); time-source reads "
                "per report: at most %d\n",
                figures.maxSoftwareInfo, figures.reportsWithTwoSoftwareInfo, figures.maxTimeReads);
    std::printf("    the service's requests within any one second (plan page aside): at most %d\n",
                figures.maxRequestsInSecond);
    std::printf("    CPU of the process tree: %.0f ms over %.0f s, %.2f%% of one core\n", cpuMs, wallMs / 1000.0,
                100.0 * cpuMs / wallMs);

    const auto at = [&](int minute) -> const Sample * {
        for (const Sample &s : samples) {
            if (s.minute == minute)
                return &s;
        }
        return nullptr;
    };
    const Sample *first = at(1);
    const Sample *last = samples.empty() ? nullptr : &samples.back();
    if (first && last && last != first) {
        const qint64 pssGrowth = (last->clientPss + last->browserPss) - (first->clientPss + first->browserPss);
        const qint64 ussGrowth = (last->clientUss + last->browserUss) - (first->clientUss + first->browserUss);
        std::printf("Memory: PSS %.1f MiB at 1 min, %.1f MiB at %d min: %+.1f MiB (client %+.1f, browser %+.1f); "
                    "USS %+.1f MiB\n",
                    mib(first->clientPss + first->browserPss), mib(last->clientPss + last->browserPss), last->minute,
                    mib(pssGrowth), mib(last->clientPss - first->clientPss), mib(last->browserPss - first->browserPss),
                    mib(ussGrowth));
        std::printf("@@ soak_pss_first_mib %.1f\n@@ soak_pss_last_mib %.1f\n@@ soak_pss_growth_mib %.1f\n"
                    "@@ soak_uss_growth_mib %.1f\n@@ soak_last_minute %d\n",
                    mib(first->clientPss + first->browserPss), mib(last->clientPss + last->browserPss), mib(pssGrowth),
                    mib(ussGrowth), last->minute);
    }
    std::printf("@@ soak_reports %d\n@@ soak_expected_reports %d\n@@ soak_max_online_in_period %d\n"
                "@@ soak_min_gap_s %.2f\n@@ soak_max_gap_s %.2f\n@@ soak_max_softinfo %d\n@@ soak_max_time_reads %d\n"
                "@@ soak_max_requests_in_second %d\n@@ soak_cpu_percent %.2f\n@@ soak_window_up %d\n",
                figures.reports, expected, figures.maxOnlineInPeriod, double(figures.minGapMs) / 1000.0,
                double(figures.maxGapMs) / 1000.0, figures.maxSoftwareInfo, figures.maxTimeReads,
                figures.maxRequestsInSecond, 100.0 * cpuMs / wallMs, signedIn && mirrored && !windowGone ? 1 : 0);
    return !windowGone && signedIn && mirrored && serviceAlive && nextMinute > options.minutes ? 0 : 1;
}
