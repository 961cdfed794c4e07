#pragma once

#include <QList>
#include <QMap>
#include <QString>

// What /proc tells about a process and the processes it started (the browser engine's
// helpers are children and grandchildren of the client). Linux only.
namespace ProcTree {

struct Sample
{
    qint64 pid = 0;
    QString name;
    double cpuMs = 0.0; // utime + stime so far
};

// The process and all its living descendants, the process first.
QList<qint64> withDescendants(qint64 root);

// The CPU time so far of each of the given processes that still lives, by pid.
QMap<qint64, Sample> cpu(const QList<qint64> &pids);

// Proportional set size in KiB (smaps_rollup), or the resident set (VmRSS) when that
// cannot be read; -1 for a process that is gone.
qint64 pssKiB(qint64 pid);
qint64 rssKiB(qint64 pid);
// Unique set size in KiB: the pages only this process maps (private clean and dirty of
// smaps_rollup), which other programs mapping the same libraries do not change; -1 when
// it cannot be read.
qint64 ussKiB(qint64 pid);
// The share of anonymous and shared-memory pages in the PSS (Pss_Anon + Pss_Shmem): the heap
// and the engine's shared buffers, without the library pages that come and go; -1 when it
// cannot be read.
qint64 anonPssKiB(qint64 pid);

QString name(qint64 pid);

} // namespace ProcTree
