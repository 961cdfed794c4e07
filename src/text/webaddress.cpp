#include "webaddress.h"

#include <QRegularExpression>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace zq {

bool isWebUrl(const QUrl &url)
{
    const QString scheme = url.scheme();
    return url.isValid() && (scheme == u"http"_s || scheme == u"https"_s) && !url.host().isEmpty();
}

QString loggableUrl(const QUrl &url)
{
    if (url.isEmpty())
        return u"(no address)"_s;
    if (!url.isValid())
        return u"(not an address)"_s;
    // Without a host the whole text after the scheme is content (a script, a page, a path).
    if (url.host().isEmpty())
        return url.scheme() + u":..."_s;
    return url.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment).toDisplayString();
}

QString loggableUrl(const QString &url)
{
    return loggableUrl(QUrl(url));
}

QString loggableText(const QString &text)
{
    static const QRegularExpression address(u"[A-Za-z][A-Za-z0-9+.-]*://[^\\s\"'<>`]*"_s);
    // Sentence punctuation after an address belongs to the sentence, not to the address.
    static const QRegularExpression trailing(u"[.,;:!?)\\]}]+$"_s);
    QString out;
    qsizetype done = 0;
    QRegularExpressionMatchIterator matches = address.globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        QString found = match.captured(0);
        const QString tail = trailing.match(found).captured(0);
        found.chop(tail.size());
        out += QStringView(text).mid(done, match.capturedStart(0) - done);
        out += loggableUrl(found) + tail;
        done = match.capturedEnd(0);
    }
    out += QStringView(text).mid(done);
    return out;
}

} // namespace zq
