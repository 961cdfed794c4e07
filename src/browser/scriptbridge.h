#pragma once

#include <QString>
#include <QStringList>

#include <objbase.h>
#include <oleauto.h>

namespace zq {

// The page's script globals as the browser control's document hands them out: its Script
// object, an IDispatch whose names are the page's globals. A script engine's own global
// object (JScript's, through IActiveScript) answers the same way, which is how this is
// tested where no document can be had.
namespace ScriptBridge {

// The texts of the named globals, in order, with the rules of the other engine's page: a
// string as it is, a number or a boolean as JavaScript writes it, anything else (missing,
// null, undefined, an object, a function, a getter that throws) empty text. A null
// `script` gives empty texts.
QStringList readGlobals(IDispatch *script, const QStringList &names);

// Runs `code` in the page through its global eval, for its effect. An error stays in the
// page. False when the page has no eval to call (nothing ran), true otherwise.
bool run(IDispatch *script, const QString &code);

// A script value as text, by the rules of readGlobals.
QString valueText(const VARIANT &value);

} // namespace ScriptBridge

} // namespace zq
