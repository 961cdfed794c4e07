#pragma once

#include <QString>

namespace zq {

// Whether the file at path (no link: the file itself) belongs to the user running the program.
// False when its owner cannot be read.
bool ownedByCurrentUser(const QString &path);

} // namespace zq
