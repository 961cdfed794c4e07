#include "links.h"

#include "desktoplogging.h"
#include "text/jsontext.h"

#include <QDesktopServices>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace tarel_tools {

bool openUrl(const QString &url)
{
    const QUrl target(url.trimmed(), QUrl::StrictMode);
    const QString scheme = target.scheme();
    if (!target.isValid() || (scheme != u"http"_s && scheme != u"https"_s) || target.host().isEmpty()) {
        qCWarning(lcDesktop).noquote() << "not opening" << loggableUrl(url.trimmed());
        return false;
    }
    const bool opened = QDesktopServices::openUrl(target);
    if (!opened)
        qCWarning(lcDesktop).noquote() << "the system did not open" << loggableUrl(target);
    return opened;
}

} // namespace tarel_tools
