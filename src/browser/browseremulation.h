#pragma once

#include <QString>

namespace zq {

// Which Internet Explorer the browser control imitates in this program. Unless a program
// says otherwise, the control renders every page as Internet Explorer 7 would; the setting
// is read per program file name from the user's own part of the registry, so no
// administrator rights are needed.
namespace BrowserEmulation {

// Internet Explorer 11, in its standards mode for pages with a standards DOCTYPE.
inline constexpr unsigned long ie11 = 11000;

// Sets the emulation for the program file `fileName` (a name such as "zq.exe", no folder) to
// `mode`, unless it already is. Returns whether the setting now holds `mode`.
bool set(const QString &fileName, unsigned long mode);

// The emulation the registry holds for `fileName`; 0 when none.
unsigned long current(const QString &fileName);

// The running program's own file name.
QString programFileName();

} // namespace BrowserEmulation

} // namespace zq
