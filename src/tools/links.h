#pragma once

#include <QString>
#include <QStringList>

namespace tarel_tools {

// Opens the URL in the user's default browser. Only a well-formed http or https URL with
// a host is handed on (surrounding blanks are ignored); anything else, a local file or a
// script URL from a page or a service answer included, is refused. Returns whether the
// system accepted it; callers are free to ignore that.
bool openUrl(const QString &url);

// regSite + "reg.php?g=" + the code at `index` of `reg_link_codes`, or an empty g value
// when there is no code at that index. The code comes from the service; its code page 936
// bytes are percent-encoded, so it cannot end the value or add a parameter of its own.
QString regLinkUrl(const QString &regSite, const QStringList &reg_link_codes, int index);

// Opens regLinkUrl(regSite, reg_link_codes, index) in the default browser.
void openRegLink(const QString &regSite, const QStringList &reg_link_codes, int index);

// The download page under `downloadSite`, which ends in "/".
QString downloadPageUrl(const QString &downloadSite);

} // namespace tarel_tools
