#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The files a test sets up and reads back: whole files, bytes as they are.
namespace TestFiles {

// Replaces the file's content with `bytes`; false when it could not be written whole.
inline bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The file's bytes; empty when it cannot be read.
inline QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace TestFiles
