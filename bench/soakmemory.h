#pragma once

#include <QList>
#include <QString>

#include <vector>

// The memory of this process and its descendants (the browser engine's helpers) through a
// soak run, one sample a minute.
class SoakMemory final
{
public:
    SoakMemory() = default;
    Q_DISABLE_COPY_MOVE(SoakMemory)

    // Takes the sample of `minute` and prints it on one line, with whatever is added there.
    void sample(int minute, const QString &addition);

    // Prints the change from minute 1 to the last sample, per process kind, and where the
    // browser processes gave memory back, and the "@@ " lines of those figures.
    void printSummary() const;

private:
    struct Sample
    {
        int minute = 0;
        qint64 clientPss = 0; // KiB
        qint64 browserPss = 0;
        qint64 clientAnon = 0; // anonymous and shared-memory part of the PSS
        qint64 browserAnon = 0;
        qint64 uss = 0;
        QList<qint64> pids;
    };

    const Sample *at(int minute) const;

    std::vector<Sample> m_samples;
};
