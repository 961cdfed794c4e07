#include "logsecrets.h"

#include "ansi.h"

#include <QMutexLocker>
#include <QVarLengthArray>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace zq {

namespace {

// What the message handler, a plain function, needs to find: the installed instance and the
// handler before it. Guarded by a mutex that needs no construction, so that a message logged
// while the program ends finds it still there.
QBasicMutex installLock;
LogSecrets *installed = nullptr;
QtMessageHandler previous = nullptr;

QString percentEncoded(const QByteArray &bytes)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    QString out;
    out.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out += u'%';
        out += QLatin1Char(hex[byte >> 4]);
        out += QLatin1Char(hex[byte & 0x0F]);
    }
    return out;
}

} // namespace

LogSecrets::~LogSecrets()
{
    uninstall();
}

void LogSecrets::add(const QString &secret)
{
    const QString plain = secret.trimmed();
    if (plain.toUcs4().size() < MinLength)
        return;
    // Worked out before the lock: the conversion may log, and a message takes the lock.
    Secret spelled = spellingsOf(plain);
    const QMutexLocker lock(&m_mutex);
    for (const Secret &known : std::as_const(m_secrets))
        if (known.plain == plain)
            return;
    m_secrets.append(std::move(spelled));
}

void LogSecrets::clear()
{
    const QMutexLocker lock(&m_mutex);
    m_secrets.clear();
}

QString LogSecrets::scrub(const QString &text) const
{
    const QMutexLocker lock(&m_mutex);
    if (m_secrets.isEmpty())
        return text;
    const QStringView view(text);
    QString out;
    qsizetype done = 0;
    for (qsizetype at = 0; at < view.size();) {
        qsizetype end = -1;
        for (const Secret &secret : m_secrets)
            if (secret.firsts.contains(view.at(at)))
                end = std::max(end, matchEnd(secret, view, at));
        if (end > at) {
            out += view.sliced(done, at - done);
            out += u"***"_s;
            at = done = end;
        } else {
            ++at;
        }
    }
    if (done == 0)
        return text;
    out += view.sliced(done);
    return out;
}

LogSecrets::Secret LogSecrets::spellingsOf(const QString &secret)
{
    Secret spelled;
    spelled.plain = secret;
    for (qsizetype i = 0; i < secret.size();) {
        const bool pair = secret.at(i).isHighSurrogate() && i + 1 < secret.size() && secret.at(i + 1).isLowSurrogate();
        const QString character = secret.mid(i, pair ? 2 : 1);
        i += character.size();
        QList<Spelling> spellings{{character, false}};
        const auto add = [&spellings](const QString &text, bool anyCase) {
            for (const Spelling &known : std::as_const(spellings))
                if (known.text.compare(text, Qt::CaseInsensitive) == 0)
                    return;
            spellings.append({text, anyCase});
        };
        // As a quoted QDebug string writes them.
        if (character == u"\"" || character == u"\\")
            add(u'\\' + character, false);
        // As a form or the program's urlEncode writes a blank.
        if (character == u" ")
            add(u"+"_s, false);
        add(percentEncoded(character.toUtf8()), true);
        // The program's queries carry code page 936; a character it cannot hold is sent as "?".
        const QByteArray ansi = toAnsi(character);
        if (!ansi.contains('?') || character == u"?")
            add(percentEncoded(ansi), true);
        spelled.characters.append(spellings);
    }
    for (const Spelling &spelling : std::as_const(spelled.characters.first()))
        spelled.firsts += spelling.text.at(0);
    return spelled;
}

qsizetype LogSecrets::matchEnd(const Secret &secret, QStringView text, qsizetype from)
{
    // Every place a match may have reached so far: a character written one way can be the
    // start of another written differently ("%" and "%25").
    QVarLengthArray<qsizetype, 8> ends{from};
    for (const QList<Spelling> &spellings : secret.characters) {
        QVarLengthArray<qsizetype, 8> next;
        for (const qsizetype at : ends) {
            const QStringView rest = text.sliced(at);
            for (const Spelling &spelling : spellings) {
                if (!rest.startsWith(spelling.text, spelling.anyCase ? Qt::CaseInsensitive : Qt::CaseSensitive))
                    continue;
                const qsizetype end = at + spelling.text.size();
                if (!next.contains(end))
                    next.append(end);
            }
        }
        if (next.isEmpty())
            return -1;
        ends = next;
    }
    return *std::max_element(ends.cbegin(), ends.cend());
}

void LogSecrets::install()
{
    const QMutexLocker lock(&installLock);
    if (!installed) {
        const QtMessageHandler before = qInstallMessageHandler(&LogSecrets::handleMessage);
        if (before != &LogSecrets::handleMessage)
            previous = before;
    }
    installed = this;
}

void LogSecrets::uninstall()
{
    const QMutexLocker lock(&installLock);
    if (installed != this)
        return;
    installed = nullptr;
    // A handler installed after this one stays; this one then only passes messages on.
    const QtMessageHandler current = qInstallMessageHandler(previous);
    if (current != &LogSecrets::handleMessage)
        qInstallMessageHandler(current);
}

void LogSecrets::handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    QString text;
    QtMessageHandler next = nullptr;
    {
        const QMutexLocker lock(&installLock);
        text = installed ? installed->scrub(message) : message;
        next = previous;
    }
    if (next)
        next(type, context, text);
}

} // namespace zq
