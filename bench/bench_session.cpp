// bench_session: what the signed-in client costs while the user just watches the plan page.
//
// Builds the real window (real browser engine, real tray, real requests) against the
// service at --service, lets the start timer open the plan page, signs in through the
// login box as a user would, waits until the plan page of the account is loaded and
// mirrored, and then measures:
//
// 1. The count-down tick on the main thread: --ticks calls of onCountDownTick(), the
//    real timer stopped meanwhile. Each call is timed on its own (wall and the main
//    thread's CPU); after each, a read of the same page globals is sent and awaited, so
//    that the tick's own read has answered before the next tick (the page answers in
//    order) and no tick finds a read still pending. The time from the call to that answer
//    bounds when the tick's asynchronous read came back; the time from the call to the
//    change of outplan is taken whenever the page had new numbers. Goal: under 1 ms at the
//    99th percentile for the synchronous part. None of these ticks reaches the online
//    report; one tick that does is timed on its own afterwards, and the time from it until
//    the report's last step (the clock read anew) has answered.
// 2. Idle CPU: with the real count-down ticking, the event loop runs --idle seconds; the
//    utime + stime of this process and of every descendant (the browser engine's
//    processes) are read from /proc before and after. Goal: under 1% of one core.
//
// With --soak MINUTES it measures neither, but keeps the same signed-in window running that
// long with the online report every --report-period seconds (default 18), the service
// misbehaving now and then (bench/soak.h).
//
// Usage: bench_session --service http://127.0.0.1:PORT/ [--ticks N] [--spacing-ms M] [--idle S]
//        bench_session --service http://127.0.0.1:PORT/ --soak MINUTES [--report-period S]
// Lines starting with "@@ " carry the figures for bench/run.sh.

#include "app/appconfig.h"
#include "app/loginflow.h"
#include "app/mainwindow.h"
#include "app/sessionclock.h"
#include "app/window/dialogs.h"
#include "browser/enginesetup.h"
#include "browser/planpage.h"
#include "browser/webengineplanpage.h"
#include "eventwait.h"
#include "proctree.h"
#include "soak.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;
using namespace zq;

namespace {

// The window's plan page, as the seam made it.
PlanPage *g_page = nullptr;

template <typename T> T *control(const MainWindow &window, const char *name)
{
    return window.findChild<T *>(QString::fromLatin1(name));
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return values[index];
}

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

// Sends a read of the page globals and waits for its answer; false after 10 s without one.
bool readAndWait(PlanPage &page)
{
    QEventLoop loop;
    bool answered = false;
    page.readGlobals({u"tzIss"_s, u"tzNums"_s}, &loop, [&](const QStringList &) {
        answered = true;
        loop.quit();
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    return answered;
}

void printSummary(const char *what, const std::vector<double> &values)
{
    if (values.empty()) {
        std::printf("    %-44s no samples\n", what);
        return;
    }
    std::printf("    %-44s p50 %8.3f  p99 %8.3f  max %8.3f ms  (%zu samples)\n", what, percentile(values, 0.5),
                percentile(values, 0.99), *std::max_element(values.begin(), values.end()), values.size());
}

struct Options
{
    QString service;
    int ticks = 500;
    int spacingMs = 20;
    int idleSeconds = 60;
    int soakMinutes = 0; // 0: the tick and idle measurements instead
    int reportPeriod = 18;
};

Options parse(const QStringList &arguments)
{
    Options o;
    for (qsizetype i = 1; i + 1 < arguments.size(); ++i) {
        const QString &key = arguments.at(i);
        const QString value = arguments.at(i + 1);
        if (key == u"--service"_s)
            o.service = value;
        else if (key == u"--ticks"_s)
            o.ticks = std::max(1, value.toInt());
        else if (key == u"--spacing-ms"_s)
            o.spacingMs = std::max(0, value.toInt());
        else if (key == u"--idle"_s)
            o.idleSeconds = std::max(1, value.toInt());
        else if (key == u"--soak"_s)
            o.soakMinutes = std::max(1, value.toInt());
        else if (key == u"--report-period"_s)
            o.reportPeriod = std::clamp(value.toInt(), 2, 600);
        else
            continue;
        ++i;
    }
    if (!o.service.isEmpty() && !o.service.endsWith(u'/'))
        o.service += u'/';
    return o;
}

bool signIn(MainWindow &window, const Options &options)
{
    SessionClock &clock = *window.findChild<SessionClock *>();
    LoginFlow &login = *window.findChild<LoginFlow *>();
    const Dialogs &dialogs = *window.findChild<Dialogs *>();

    // The start timer opens the anonymous plan page and reads the clock two seconds in.
    if (!EventWait::until([&] { return !clock.clockText().isEmpty(); }, 20000)) {
        std::printf("bench_session: the clock was never read (is the service at %s running?)\n",
                    qPrintable(options.service));
        return false;
    }
    if (!g_page) {
        std::printf("bench_session: the window has no plan page\n");
        return false;
    }
    bool loaded = false;
    bool loadedOk = false;
    QObject::connect(g_page, &PlanPage::loadFinished, &window, [&](bool ok) {
        loaded = true;
        loadedOk = ok;
    });

    control<QLineEdit>(window, "login_user")->setText(u"demo"_s);
    control<QLineEdit>(window, "login_pass")->setText(u"demo123"_s);
    login.onLoginClicked();
    EventWait::until([&] { return !login.signingIn(); }, 30000);
    if (login.session().account != u"demo"_s || control<QGroupBox>(window, "frame_login")->isVisible() ||
        !dialogs.shown().isEmpty()) {
        std::printf("bench_session: login failed");
        for (const Dialogs::Shown &box : dialogs.shown())
            std::printf(": %s", qPrintable(box.text));
        std::printf("\n");
        return false;
    }
    if (!EventWait::until([&] { return loaded; }, 30000) || !loadedOk) {
        std::printf("bench_session: the plan page of the account did not load\n");
        return false;
    }
    // The page's own script fills its globals; the mirror shows them on a later tick.
    QPlainTextEdit *outplan = control<QPlainTextEdit>(window, "outplan");
    if (!EventWait::until([&] { return outplan->toPlainText().startsWith(u"投注期:"_s); }, 15000)) {
        std::printf("bench_session: outplan never showed the page's numbers\n");
        return false;
    }
    return true;
}

void measureTicks(MainWindow &window, const Options &options)
{
    SessionClock &clock = *window.findChild<SessionClock *>();
    PlanPage &page = *g_page;
    QTimer *countDown = control<QTimer>(window, "count_down");
    QPlainTextEdit *outplan = control<QPlainTextEdit>(window, "outplan");

    countDown->stop();
    // Any read the real timer left pending is answered before the first measured tick.
    readAndWait(page);

    std::vector<double> wall;
    std::vector<double> cpu;
    std::vector<double> answered;
    std::vector<double> changed;
    QElapsedTimer sinceTick;
    bool measuringChange = false;
    const QMetaObject::Connection watch = QObject::connect(outplan, &QPlainTextEdit::textChanged, &window, [&] {
        if (measuringChange) {
            changed.push_back(double(sinceTick.nsecsElapsed()) / 1e6);
            measuringChange = false;
        }
    });

    int lost = 0;
    for (int i = 0; i < options.ticks; ++i) {
        measuringChange = true;
        const double cpuBefore = threadCpuMs();
        sinceTick.start();
        clock.onCountDownTick();
        const double spent = double(sinceTick.nsecsElapsed()) / 1e6;
        cpu.push_back(threadCpuMs() - cpuBefore);
        wall.push_back(spent);
        if (readAndWait(page))
            answered.push_back(double(sinceTick.nsecsElapsed()) / 1e6);
        else
            ++lost;
        // A change can only come from this tick's read, which has answered by now.
        measuringChange = false;
        if (options.spacingMs > 0)
            EventWait::runFor(options.spacingMs);
    }
    QObject::disconnect(watch);

    std::printf("Count-down tick, signed in, plan page loaded (%d ticks, %d ms apart):\n", options.ticks,
                options.spacingMs);
    printSummary("synchronous part, wall:", wall);
    printSummary("synchronous part, main thread CPU:", cpu);
    printSummary("tick to its page read answered (at most):", answered);
    printSummary("tick to outplan changed (new numbers):", changed);
    if (lost > 0)
        std::printf("    warning: %d reads never answered\n", lost);
    std::printf("@@ tick_p50_ms %.4f\n@@ tick_p99_ms %.4f\n@@ tick_max_ms %.4f\n", percentile(wall, 0.5),
                percentile(wall, 0.99), wall.empty() ? 0.0 : *std::max_element(wall.begin(), wall.end()));
    std::printf("@@ tick_cpu_p99_ms %.4f\n", percentile(cpu, 0.99));
    std::printf("@@ tick_read_p50_ms %.3f\n@@ tick_read_p99_ms %.3f\n", percentile(answered, 0.5),
                percentile(answered, 0.99));
    std::printf("@@ tick_outplan_p50_ms %.3f\n", percentile(changed, 0.5));

    // The tick that reaches the report time: every 600 s. It sends the report and returns; the
    // software information and the clock follow as the answers come.
    bool reported = false;
    const QMetaObject::Connection read =
        QObject::connect(&clock, &SessionClock::clockRead, &window, [&reported] { reported = true; });
    clock.setNextReportDue(clock.clock());
    const double cpuBefore = threadCpuMs();
    QElapsedTimer reportTick;
    reportTick.start();
    clock.onCountDownTick();
    const double reportWall = double(reportTick.nsecsElapsed()) / 1e6;
    const double reportCpu = threadCpuMs() - cpuBefore;
    EventWait::until([&reported] { return reported; }, 40000);
    QObject::disconnect(read);
    const double reportDone = double(reportTick.nsecsElapsed()) / 1e6;
    std::printf("    the tick with the online report (once in 600): %.3f ms wall, %.3f ms main thread CPU;\n"
                "        its three answers (report, software information, clock) %s after %.3f ms\n",
                reportWall, reportCpu, reported ? "handled" : "NOT all handled", reportDone);
    std::printf("@@ report_tick_ms %.3f\n@@ report_done_ms %.3f\n", reportWall, reportDone);
    readAndWait(page);
    countDown->start();
}

void measureIdle(const Options &options)
{
    const qint64 self = qint64(getpid());
    // Let the restarted count-down settle into its rhythm.
    EventWait::runFor(1500);
    const QList<qint64> before = ProcTree::withDescendants(self);
    const QMap<qint64, ProcTree::Sample> first = ProcTree::cpu(before);
    QElapsedTimer wall;
    wall.start();
    EventWait::runFor(options.idleSeconds * 1000);
    const double elapsedMs = double(wall.elapsed());
    QList<qint64> after = ProcTree::withDescendants(self);
    const QMap<qint64, ProcTree::Sample> last = ProcTree::cpu(after);

    std::printf("Idle, signed in, real count-down ticking, %d s:\n", options.idleSeconds);
    double client = 0.0;
    double browser = 0.0;
    for (auto it = last.cbegin(); it != last.cend(); ++it) {
        // A process that started meanwhile spent all its time in the window.
        const double spent = it.value().cpuMs - first.value(it.key()).cpuMs;
        (it.key() == self ? client : browser) += spent;
        std::printf("    %-24s pid %-7lld %8.0f ms CPU\n", qPrintable(it.value().name), it.key(), spent);
    }
    int gone = 0;
    for (auto it = first.cbegin(); it != first.cend(); ++it)
        gone += last.contains(it.key()) ? 0 : 1;
    if (gone > 0)
        std::printf("    note: %d processes ended meanwhile; their time is not counted\n", gone);
    const double total = client + browser;
    const double percent = 100.0 * total / elapsedMs;
    std::printf("    client %.0f ms + browser processes %.0f ms = %.0f ms CPU over %.1f s: %.2f%% of one core\n",
                client, browser, total, elapsedMs / 1000.0, percent);
    std::printf("@@ idle_client_ms %.0f\n@@ idle_browser_ms %.0f\n@@ idle_percent %.3f\n", client, browser, percent);

    qint64 clientPss = 0;
    qint64 browserPss = 0;
    for (qint64 pid : after) {
        const qint64 kib = ProcTree::pssKiB(pid);
        if (kib > 0)
            (pid == self ? clientPss : browserPss) += kib;
    }
    std::printf("Memory signed in (PSS): this process %.1f MiB, its browser processes %.1f MiB (%lld processes)\n",
                double(clientPss) / 1024.0, double(browserPss) / 1024.0, qint64(after.size() - 1));
    std::printf("@@ signedin_client_pss_mib %.1f\n@@ signedin_browser_pss_mib %.1f\n", double(clientPss) / 1024.0,
                double(browserPss) / 1024.0);
}

} // namespace

int main(int argc, char *argv[])
{
    const qint64 startMs = QDateTime::currentMSecsSinceEpoch();
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The engine set up as the program sets it up.
    EngineSetup::beforeApplication();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const Options options = parse(QCoreApplication::arguments());
    if (options.service.isEmpty()) {
        std::printf("usage: bench_session --service http://127.0.0.1:PORT/ [--ticks N] [--spacing-ms M] "
                    "[--idle S]\n"
                    "       bench_session --service http://127.0.0.1:PORT/ --soak MINUTES [--report-period S]\n");
        return 2;
    }

    QTemporaryDir programDir;
    QDir(programDir.path()).mkpath(u"cfg"_s);
    {
        QFile ini(programDir.path() + u"/cfg/cfg.ini"_s);
        if (!ini.open(QIODevice::WriteOnly) || ini.write("[daili]\r\ncode=zq_softinfo\r\n") < 0) {
            std::printf("bench_session: cannot write %s\n", qPrintable(ini.fileName()));
            return 1;
        }
    }
    AppConfig config;
    config.serviceBase = options.service;
    config.timeSourceUrl = options.service;
    config.regSite = options.service;
    config.downloadSite = options.service;
    config.programDir = programDir.path();

    MainWindow::Seams seams;
    seams.planPage = [](QWidget *parent) {
        auto page = std::make_unique<WebEnginePlanPage>(parent);
        g_page = page.get();
        return page;
    };
    if (options.soakMinutes > 0)
        seams.reportPeriod = qint16(options.reportPeriod);
    auto window = std::make_unique<MainWindow>(config, std::move(seams));
    Dialogs &dialogs = *window->findChild<Dialogs *>();
    dialogs.setScriptedAnswer(true);
    dialogs.setRecording(true);
    window->startUp();
    window->show();

    int status = 0;
    if (!signIn(*window, options)) {
        status = 1;
    } else if (options.soakMinutes > 0) {
        status = runSoak(*window, SoakOptions{options.service, options.soakMinutes, options.reportPeriod, startMs});
    } else {
        measureTicks(*window, options);
        measureIdle(options);
    }
    window->closeByProgram();
    window.reset();
    return status;
}
