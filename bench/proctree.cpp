#include "proctree.h"

#include <QDir>
#include <QFile>
#include <QMultiMap>

#include <unistd.h>

namespace ProcTree {

namespace {

QByteArray readProcFile(qint64 pid, const char *file)
{
    QFile f(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(file)));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

// The fields of /proc/PID/stat after the command name, which may itself hold blanks and
// parentheses: fields[0] is the state (field 3 of proc(5)).
QList<QByteArray> statFields(qint64 pid)
{
    const QByteArray stat = readProcFile(pid, "stat");
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return {};
    return stat.mid(close + 2).split(' ');
}

qint64 statusKiB(qint64 pid, const QByteArray &key, const char *file)
{
    const QByteArray text = readProcFile(pid, file);
    if (text.isEmpty())
        return -1;
    for (const QByteArray &line : text.split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace

QList<qint64> withDescendants(qint64 root)
{
    QMultiMap<qint64, qint64> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number)
            continue;
        const QList<QByteArray> fields = statFields(pid);
        if (fields.size() > 1)
            children.insert(fields.at(1).toLongLong(), pid);
    }
    QList<qint64> result{root};
    for (qsizetype i = 0; i < result.size(); ++i)
        result.append(children.values(result.at(i)));
    return result;
}

QMap<qint64, Sample> cpu(const QList<qint64> &pids)
{
    static const double msPerTick = 1000.0 / double(sysconf(_SC_CLK_TCK));
    QMap<qint64, Sample> samples;
    for (qint64 pid : pids) {
        const QList<QByteArray> fields = statFields(pid);
        // utime and stime are fields 14 and 15 of proc(5), 11 and 12 here.
        if (fields.size() < 13)
            continue;
        Sample s;
        s.pid = pid;
        s.name = name(pid);
        s.cpuMs = double(fields.at(11).toLongLong() + fields.at(12).toLongLong()) * msPerTick;
        samples.insert(pid, s);
    }
    return samples;
}

qint64 pssKiB(qint64 pid)
{
    const qint64 pss = statusKiB(pid, "Pss:", "smaps_rollup");
    return pss >= 0 ? pss : rssKiB(pid);
}

qint64 rssKiB(qint64 pid)
{
    return statusKiB(pid, "VmRSS:", "status");
}

qint64 ussKiB(qint64 pid)
{
    const qint64 clean = statusKiB(pid, "Private_Clean:", "smaps_rollup");
    const qint64 dirty = statusKiB(pid, "Private_Dirty:", "smaps_rollup");
    return clean < 0 || dirty < 0 ? -1 : clean + dirty;
}

qint64 anonPssKiB(qint64 pid)
{
    const qint64 anon = statusKiB(pid, "Pss_Anon:", "smaps_rollup");
    const qint64 shmem = statusKiB(pid, "Pss_Shmem:", "smaps_rollup");
    return anon < 0 || shmem < 0 ? -1 : anon + shmem;
}

QString name(qint64 pid)
{
    return QString::fromLocal8Bit(readProcFile(pid, "comm")).trimmed();
}

} // namespace ProcTree
