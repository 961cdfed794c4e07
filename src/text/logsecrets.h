#pragma once

#include <QList>
#include <QMutex>
#include <QString>
#include <QStringView>
#include <qlogging.h>

namespace zq {

// The passwords the program knows, kept out of every log line. loggableUrl and loggableText
// clean what the program itself writes; this is the last line of defence behind them, for a
// line that quotes a password where no cleaning looked: a page's console message, an address
// that carries the password in its path. Installed as the program's message handler, it
// replaces each secret in a message, written as it is or percent-encoded (UTF-8, or the code
// page 936 bytes of the program's queries, a blank also as "+"), by "***", and hands the line
// on to the handler installed before it. Any thread may log; any thread may add a secret.
class LogSecrets final
{
public:
    // A secret shorter than this (blanks around it do not count) is not kept: replacing a
    // character or two wherever it stands would garble every number and word of the log, and
    // the gaps it left would spell the secret out all the same.
    static constexpr qsizetype MinLength = 3;

    LogSecrets() = default;
    // Uninstalls: a message logged later goes straight to the previous handler.
    ~LogSecrets();
    Q_DISABLE_COPY_MOVE(LogSecrets)

    // From now on `secret` (without the blanks around it) is replaced in every message.
    void add(const QString &secret);
    void clear();

    // `text` with every secret replaced by "***"; where two secrets match at one place, the
    // longer match goes.
    QString scrub(const QString &text) const;

    // Makes this the program's message handler, chained to the one installed before; one
    // instance at a time (installing another takes its place in the chain).
    void install();
    void uninstall();

private:
    // One way the text may write one character of a secret.
    struct Spelling
    {
        QString text;
        bool anyCase = false; // hexadecimal digits: "%E4" and "%e4" alike
    };
    struct Secret
    {
        QString plain;
        QList<QList<Spelling>> characters; // for each character, every way to write it
        QString firsts;                    // the first code unit of each spelling of the first character
    };

    static Secret spellingsOf(const QString &secret);
    // Where the match of `secret` at `from` ends, the longest one; -1 for none.
    static qsizetype matchEnd(const Secret &secret, QStringView text, qsizetype from);
    static void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message);

    mutable QMutex m_mutex;
    QList<Secret> m_secrets; // the longest first
};

} // namespace zq
