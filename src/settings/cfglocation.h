#pragma once

#include <QString>

#include <functional>

namespace zq {

// Where the program keeps its settings file. The file beside the program (cfg/cfg.ini in
// the program folder) is the only one used whenever the user can write it: the portable
// case, the one the service's installers rely on. Where the user cannot (a system package,
// a folder under Program Files), the program reads and writes the user's own copy in the
// user's settings folder, made from the shipped file the first time it is needed; the
// shipped file is never written then.
namespace CfgLocation {

// cfg/cfg.ini in the program folder, as the program is shipped or installed. It alone holds
// the product code: an administrator who changes it there changes it for every user.
QString shippedFile(const QString &programDir);

// Whether the user can write `cfgFile`: it is no symbolic link, or one to a regular file of
// the user's own (linkRefusal); the folder the file is replaced in takes a new file; and the
// file, where it exists, opens for writing. Tried for real rather than read from permission
// bits, which say yes to an administrator for everything and on Windows know nothing of
// access lists.
bool canWrite(const QString &cfgFile);

// The user's copy, cfg.ini in QStandardPaths::AppConfigLocation. When it does not exist yet
// it is made from `shippedFile` (empty when that is missing, unreadable or a link the program
// does not write through), readable and writable by its owner only. Empty text when it cannot
// be made.
QString userCopy(const QString &shippedFile);

// Removes what an interrupted write of `cfgFile` can leave beside it where the file system has
// no anonymous temporary files: the writers' own "cfg.ini.XXXXXX" files (holding the
// password) and the write probe's. Only those more than a minute old: a write of another
// running copy may be under way.
void removeLeftovers(const QString &cfgFile);

// The settings file for the program in `programDir`: programDir + "/cfg/cfg.ini" when
// `writable` says the user can write it, otherwise the user's copy (or the shipped file
// after all, when no copy can be made). A shipped file that is a link the program will not
// write through is named in a warning, with why.
QString choose(const QString &programDir, const std::function<bool(const QString &cfgFile)> &writable = canWrite);

} // namespace CfgLocation

} // namespace zq
