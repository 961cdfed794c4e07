#include "links.h"

#include "desktoplogging.h"
#include "text/webaddress.h"

#include <QDesktopServices>
#include <QUrl>

namespace zq {

bool openUrl(const QString &url)
{
    const QUrl target(url.trimmed(), QUrl::StrictMode);
    if (!isWebUrl(target)) {
        qCWarning(lcDesktop).noquote() << "not opening" << loggableUrl(url.trimmed());
        return false;
    }
    const bool opened = QDesktopServices::openUrl(target);
    if (!opened)
        qCWarning(lcDesktop).noquote() << "the system did not open" << loggableUrl(target);
    return opened;
}

} // namespace zq
