#include "links.h"

#include "ansi.h"
#include "jsontext.h"

#include <QDesktopServices>
#include <QLoggingCategory>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {
Q_LOGGING_CATEGORY(lcLinks, "zq.links")
} // namespace

namespace tarel_tools {

bool openUrl(const QString &url)
{
    const QUrl target(url.trimmed(), QUrl::StrictMode);
    const QString scheme = target.scheme();
    if (!target.isValid() || (scheme != u"http"_s && scheme != u"https"_s) || target.host().isEmpty()) {
        qCWarning(lcLinks).noquote() << "not opening" << loggableUrl(url.trimmed());
        return false;
    }
    const bool opened = QDesktopServices::openUrl(target);
    if (!opened)
        qCWarning(lcLinks).noquote() << "the system did not open" << loggableUrl(target);
    return opened;
}

QString regLinkUrl(const QString &regSite, const QStringList &reg_link_codes, int index)
{
    const QString code = reg_link_codes.value(index);
    // Like every other value the program sends, the code goes out as its code page 936 bytes.
    return regSite + u"reg.php?g="_s + QString::fromLatin1(toAnsi(code).toPercentEncoding());
}

void openRegLink(const QString &regSite, const QStringList &reg_link_codes, int index)
{
    openUrl(regLinkUrl(regSite, reg_link_codes, index));
}

QString downloadPageUrl(const QString &downloadSite)
{
    return downloadSite + u"a/awddownload.html"_s;
}

} // namespace tarel_tools
