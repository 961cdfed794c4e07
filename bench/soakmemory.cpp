#include "soakmemory.h"

#include "proctree.h"

#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// A fall of the browser processes' anonymous part from one sample to the next that counts.
constexpr qint64 FallKiB = 1024;

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

    std::printf("Memory, minute 1 to minute %d: PSS %.1f -> %.1f MiB (%+.1f; client %+.1f, browser %+.1f); "
                "anonymous part %.1f -> %.1f MiB (%+.1f; client %+.1f, browser %+.1f); USS %+.1f MiB\n",
                last->minute, mib(pss(*first)), mib(pss(*last)), mib(pss(*last) - pss(*first)),
                mib(last->clientPss - first->clientPss), mib(last->browserPss - first->browserPss), mib(anon(*first)),
                mib(anon(*last)), mib(anon(*last) - anon(*first)), mib(last->clientAnon - first->clientAnon),
                mib(last->browserAnon - first->browserAnon), mib(last->uss - first->uss));
    // The engine's script heap grows and is collected in steps; where it fell tells a heap that
    // is given back from one that only grows.
    QStringList falls;
    for (size_t i = 1; i < m_samples.size(); ++i) {
        const qint64 change = m_samples[i].browserAnon - m_samples[i - 1].browserAnon;
        if (change <= -FallKiB)
            falls << QStringLiteral("minute %1 (%2 MiB)").arg(m_samples[i].minute).arg(mib(change), 0, 'f', 1);
    }
    std::printf("    the browser processes' anonymous part fell from one minute to the next at: %s\n",
                falls.isEmpty() ? "nowhere" : qPrintable(falls.join(u", "_s)));
    std::printf("@@ soak_last_minute %d\n@@ soak_pss_first_mib %.1f\n@@ soak_pss_last_mib %.1f\n"
                "@@ soak_pss_growth_mib %.1f\n@@ soak_anon_growth_mib %.1f\n@@ soak_client_anon_growth_mib %.1f\n"
                "@@ soak_browser_anon_growth_mib %.1f\n@@ soak_browser_anon_falls %lld\n",
                last->minute, mib(pss(*first)), mib(pss(*last)), mib(pss(*last) - pss(*first)),
                mib(anon(*last) - anon(*first)), mib(last->clientAnon - first->clientAnon),
                mib(last->browserAnon - first->browserAnon), qint64(falls.size()));
}
