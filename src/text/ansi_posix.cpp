#include "ansi.h"

#include <QList>

#include <cerrno>
#include <iconv.h>

namespace zq {

// Code page 936 through iconv: POSIX systems have no ANSI code page of their own.

namespace {

// One conversion descriptor per call: cheap next to the work, and no shared state.
class Iconv final
{
public:
    // "CP936" where the C library knows it by that name, "GBK" (the same table) otherwise.
    Iconv(const char *to, const char *from) : m_cd(iconv_open(to, from))
    {
        if (!valid())
            m_cd = iconv_open(qstrcmp(to, "CP936") == 0 ? "GBK" : to, qstrcmp(from, "CP936") == 0 ? "GBK" : from);
    }
    ~Iconv()
    {
        if (valid())
            iconv_close(m_cd);
    }
    Q_DISABLE_COPY_MOVE(Iconv)

    // (iconv_t)-1 is iconv_open's failure, by its interface.
    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); } // NOLINT(performance-no-int-to-ptr)

    // Converts as much as possible; on a character that cannot be converted, calls
    // onInvalid with the remaining input and lets it decide how many bytes to skip
    // and what to emit instead.
    template <typename OnInvalid> QByteArray run(const char *in, size_t inLeft, OnInvalid onInvalid)
    {
        QByteArray out;
        char buffer[4096];
        while (inLeft > 0) {
            char *outPtr = buffer;
            size_t outLeft = sizeof buffer;
            char *inPtr = const_cast<char *>(in);
            const size_t rc = iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft);
            const int err = errno;
            out.append(buffer, int(sizeof buffer - outLeft));
            in = inPtr;
            if (rc != size_t(-1))
                break;
            if (err == E2BIG)
                continue;
            // EILSEQ or EINVAL (truncated sequence at the end).
            const size_t skip = onInvalid(out, in, inLeft);
            in += skip;
            inLeft -= skip;
        }
        return out;
    }

private:
    iconv_t m_cd;
};

} // namespace

QByteArray toAnsi(const QString &text)
{
    if (text.isEmpty())
        return {};
    // UTF-32 input lets an unconvertible character be skipped in one 4-byte step,
    // surrogate pairs included.
    const QList<uint> ucs4 = text.toUcs4();
    Iconv cv("CP936", "UTF-32LE");
    if (!cv.valid())
        return text.toLatin1();
    return cv.run(reinterpret_cast<const char *>(ucs4.constData()), size_t(ucs4.size()) * 4,
                  [](QByteArray &out, const char *, size_t) {
                      out.append('?');
                      return size_t(4);
                  });
}

QString fromAnsi(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return {};
    Iconv cv("UTF-16LE", "CP936");
    if (!cv.valid())
        return QString::fromLatin1(bytes);
    const QByteArray utf16 = cv.run(bytes.constData(), size_t(bytes.size()), [](QByteArray &out, const char *, size_t) {
        const char16_t replacement = 0xFFFD;
        out.append(reinterpret_cast<const char *>(&replacement), 2);
        return size_t(1);
    });
    return QString(reinterpret_cast<const QChar *>(utf16.constData()), utf16.size() / 2);
}

} // namespace zq
