#include "links.h"

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
        qCWarning(lcLinks) << "not opening" << url;
        return false;
    }
    const bool opened = QDesktopServices::openUrl(target);
    if (!opened)
        qCWarning(lcLinks) << "the system did not open" << target;
    return opened;
}

QString regLinkUrl(const QString &regSite, const QStringList &reg_link_codes, int index)
{
    const QString code = reg_link_codes.value(index);
    return regSite + u"reg.php?g="_s + QString::fromLatin1(QUrl::toPercentEncoding(code));
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
