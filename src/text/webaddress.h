#pragma once

#include <QString>

class QUrl;

namespace zq {

// Web addresses from the network and the settings: which ones the program follows at all, and
// how a log line may show them.

// An http or https address with a host: the only kind the program requests, navigates to or
// hands to the default browser. A local file, a page carried in the address itself (data:)
// or a script (javascript:) is none of that.
bool isWebUrl(const QUrl &url);

// An address as a log line may show it: a web address without its user, query and
// fragment (the plan page and login addresses carry the password in their query), anything
// else only by its scheme, and an address that does not parse not at all.
QString loggableUrl(const QUrl &url);
QString loggableUrl(const QString &url);

// A free text (an error message, a page's console message) with every web address in it
// ("scheme://..." up to a blank or a quote) replaced by its loggableUrl, so that a message
// that quotes the plan page's or the login's address cannot carry the password into a log.
QString loggableText(const QString &text);

} // namespace zq
