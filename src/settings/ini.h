#pragma once

#include <QList>
#include <QString>

namespace zq {

// One value at a time of the program's INI settings file, with the rules of the Windows
// private-profile functions: sections in square brackets, key=value lines, names matched
// without regard to letter case, the file's bytes in code page 936.
//
// Nothing is cached: every call names the file again and every read goes to the disk.

// The value of key in section, or empty text when the file, the section or the key is
// missing, the file is hidden, or the file is not a settings file we can read (holds NUL
// bytes or is larger than 1 MiB). An empty section means "Boot". Blanks around the value
// and one pair of matching quotes are removed; the value is cut at 59,999 bytes.
QString readIniValue(const QString &section, const QString &key, const QString &filePath);

// Who may read the file after a write. A new file is always its owner's only; Keep leaves an
// existing file's permissions as they were, OwnerOnly makes it its owner's only (a value that
// is a secret must not land in a file everyone can read).
enum class FileAccess
{
    Keep,
    OwnerOnly,
};

// Writes key=value into section, creating the file (its folder must exist), the section
// or the key as needed. Returns true on success and false when nothing was written: empty
// path, key or value, a name or value that cannot be stored on one line, a file we cannot
// read, a symbolic link that linkRefusal refuses, or any I/O failure. Only the key's own
// line changes; the file is replaced atomically, so a failed write leaves the old file whole.
bool writeIniValue(const QString &section, const QString &key, const QString &value, const QString &filePath,
                   FileAccess access = FileAccess::Keep);

// One key of a section and the value to write into it.
struct IniValue
{
    QString key;
    QString value;
};

// Writes several keys of one section in one replacement of the file, each with the rules of
// writeIniValue: afterwards the file holds every new value, or (false) it is as it was. A key
// or value that writeIniValue would refuse, an empty value among them, refuses them all, and
// so does an empty list; a key named twice gets its last value.
bool writeIniValues(const QString &section, const QList<IniValue> &values, const QString &filePath,
                    FileAccess access = FileAccess::Keep);

// Why a write must not go through filePath: empty when it is no symbolic link, or when the file
// it finally leads to is a regular file owned by the user running the program. Writes follow a
// link only then, so that no link can make the program rewrite, or create, a file of anyone
// else's; the text says why, for the log.
QString linkRefusal(const QString &filePath);

// The text up to, not including, its first NUL character; the whole text if it has none.
QString cutAtNul(const QString &text);

} // namespace zq
