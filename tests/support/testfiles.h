#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

// The files a test sets up and reads back: whole files, bytes as they are.
namespace TestFiles {

// Replaces the file's content with `bytes`; false when it could not be written whole.
inline bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The file's bytes; empty when it cannot be read.
inline QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

#ifdef Q_OS_UNIX
// While it lives, no file can be written beyond `bytes`: a write past that fails part way, as on a
// disk that fills up, instead of ending the process. Holds for root too (a read-only folder would not).
class FileSizeLimit final
{
public:
    explicit FileSizeLimit(qint64 bytes)
    {
        if (getrlimit(RLIMIT_FSIZE, &m_old) != 0)
            return;
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        if (m_oldHandler == SIG_ERR)
            return;
        struct rlimit small = m_old;
        small.rlim_cur = rlim_t(bytes);
        m_set = setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit()
    {
        if (m_oldHandler == SIG_ERR)
            return;
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool isSet() const { return m_set; }

private:
    struct rlimit m_old = {};
    void (*m_oldHandler)(int) = SIG_ERR; // SIG_ERR: nothing changed, nothing to put back
    bool m_set = false;
};
#endif

} // namespace TestFiles
