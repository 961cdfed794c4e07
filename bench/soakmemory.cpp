#include "soakmemory.h"

#include "proctree.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Fewer samples than this give no trend worth printing.
constexpr int MinTrendSamples = 5;

double mib(qint64 kib)
{
    return double(kib) / 1024.0;
}

} // namespace

void SoakMemory::sample(int minute, const QString &addition)
{
    const qint64 self = qint64(getpid());
    Sample s;
    s.minute = minute;
    s.pids = ProcTree::withDescendants(self);
    for (qint64 pid : s.pids) {
        const bool client = pid == self;
        (client ? s.clientPss : s.browserPss) += std::max<qint64>(0, ProcTree::pssKiB(pid));
        (client ? s.clientAnon : s.browserAnon) += std::max<qint64>(0, ProcTree::anonPssKiB(pid));
        s.uss += std::max<qint64>(0, ProcTree::ussKiB(pid));
    }
    std::printf("    min %2d  PSS %6.1f MiB (client %5.1f, browser %5.1f)  of it anonymous %5.1f (%5.1f, %5.1f)  "
                "USS %6.1f  %lld processes  %s\n",
                minute, mib(s.clientPss + s.browserPss), mib(s.clientPss), mib(s.browserPss),
                mib(s.clientAnon + s.browserAnon), mib(s.clientAnon), mib(s.browserAnon), mib(s.uss),
                qint64(s.pids.size()), qPrintable(addition));
    if (!m_samples.empty() && s.pids != m_samples.front().pids) {
        QStringList names;
        for (qint64 pid : s.pids)
            names << ProcTree::name(pid) + u' ' + QString::number(pid);
        std::printf("        the processes changed since the first sample: %s\n", qPrintable(names.join(u", "_s)));
    }
    std::fflush(stdout);
    m_samples.push_back(std::move(s));
}

const SoakMemory::Sample *SoakMemory::at(int minute) const
{
    const auto it =
        std::find_if(m_samples.begin(), m_samples.end(), [minute](const Sample &s) { return s.minute == minute; });
    return it == m_samples.end() ? nullptr : &*it;
}

void SoakMemory::printSummary() const
{
    const Sample *first = at(1);
    const Sample *last = m_samples.empty() ? nullptr : &m_samples.back();
    if (!first || !last || last == first) {
        std::printf("Memory: too short a run for a change from minute 1\n");
        return;
    }
    const auto pss = [](const Sample &s) { return s.clientPss + s.browserPss; };
    const auto anon = [](const Sample &s) { return s.clientAnon + s.browserAnon; };

    // The engine gives memory back for minutes after the page has loaded; the second half of
    // the run shows whether anything keeps growing once it has settled.
    const auto trend = [&](const auto &value) {
        double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
        for (const Sample &s : m_samples) {
            if (s.minute * 2 < last->minute)
                continue;
            const double x = s.minute;
            const double y = mib(value(s));
            n += 1;
            sx += x;
            sy += y;
            sxx += x * x;
            sxy += x * y;
        }
        const double d = n * sxx - sx * sx;
        return n < MinTrendSamples || d == 0 ? std::nan("") : 60.0 * (n * sxy - sx * sy) / d;
    };

    std::printf("Memory, minute 1 to minute %d: PSS %.1f -> %.1f MiB (%+.1f; client %+.1f, browser %+.1f), "
                "anonymous part %.1f -> %.1f MiB (%+.1f), USS %+.1f MiB\n",
                last->minute, mib(pss(*first)), mib(pss(*last)), mib(pss(*last) - pss(*first)),
                mib(last->clientPss - first->clientPss), mib(last->browserPss - first->browserPss), mib(anon(*first)),
                mib(anon(*last)), mib(anon(*last) - anon(*first)), mib(last->uss - first->uss));
    std::printf("    trend over minutes %d to %d (least squares): PSS %+.1f MiB/hour, anonymous part %+.1f MiB/hour\n",
                (last->minute + 1) / 2, last->minute, trend(pss), trend(anon));
    std::printf("@@ soak_last_minute %d\n@@ soak_pss_first_mib %.1f\n@@ soak_pss_last_mib %.1f\n"
                "@@ soak_pss_growth_mib %.1f\n@@ soak_anon_growth_mib %.1f\n@@ soak_uss_growth_mib %.1f\n"
                "@@ soak_pss_trend_mib_h %.1f\n@@ soak_anon_trend_mib_h %.1f\n",
                last->minute, mib(pss(*first)), mib(pss(*last)), mib(pss(*last) - pss(*first)),
                mib(anon(*last) - anon(*first)), mib(last->uss - first->uss), trend(pss), trend(anon));
}
