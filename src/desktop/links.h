#pragma once

#include <QString>

namespace zq {

// Opens the URL in the user's default browser. Only a well-formed http or https URL with
// a host is handed on (surrounding blanks are ignored); anything else, a local file or a
// script URL from a page or a service answer included, is refused. Returns whether the
// system accepted it; callers are free to ignore that.
bool openUrl(const QString &url);

} // namespace zq
