#include "cfglocation.h"

#include "ini.h"
#include "settingslogging.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryFile>

using namespace Qt::StringLiterals;

namespace zq {

namespace {
// No settings file is larger; the settings module reads nothing beyond this either.
constexpr qint64 kMaxCopyBytes = qint64(1024) * 1024;
} // namespace

namespace CfgLocation {

void removeLeftovers(const QString &cfgFile)
{
    const QFileInfo file(cfgFile);
    // QSaveFile and QTemporaryFile name their files after a template, six letters or digits in
    // place of its XXXXXX.
    const QRegularExpression ours(
        u"^(%1\\.|\\.cfg-probe-)[A-Za-z0-9]{6}$"_s.arg(QRegularExpression::escape(file.fileName())));
    const QDateTime oneMinuteAgo = QDateTime::currentDateTimeUtc().addSecs(-60);
    const QFileInfoList entries =
        file.absoluteDir().entryInfoList({file.fileName() + u".??????"_s, u".cfg-probe-??????"_s},
                                         QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QFileInfo &entry : entries) {
        if (!ours.match(entry.fileName()).hasMatch() || entry.lastModified().toUTC() >= oneMinuteAgo)
            continue;
        if (QFile::remove(entry.absoluteFilePath()))
            qCDebug(lcSettings) << "removed the leftover of an interrupted settings write:" << entry.fileName();
    }
}

QString shippedFile(const QString &programDir)
{
    return programDir + u"/cfg/cfg.ini"_s;
}

bool canWrite(const QString &cfgFile)
{
    // The settings module writes through a link only to a file of the user's own.
    if (!linkRefusal(cfgFile).isEmpty())
        return false;
    const QFileInfo file(cfgFile);
    const QString folder = file.isSymLink() ? QFileInfo(file.canonicalFilePath()).absolutePath() : file.absolutePath();
    if (!QFileInfo(folder).isDir())
        return false;
    // The settings module replaces the file through a new one beside it (beside a link's
    // target), so that folder must take a new file.
    QTemporaryFile probe(folder + u"/.cfg-probe-XXXXXX"_s);
    if (!probe.open())
        return false;
    probe.close();
    if (!file.exists())
        return true;
    // Opened without truncating and closed again: nothing changes, not even the file's time.
    QFile existing(cfgFile);
    return file.isFile() && existing.open(QIODevice::ReadWrite);
}

QString userCopy(const QString &shippedFile)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return {};
    QString path = folder + u"/cfg.ini"_s;
    if (QFileInfo::exists(path))
        return path;

    QByteArray bytes;
    QFile shipped(shippedFile);
    // A link the program does not write through is not copied from either: it may lead to
    // anybody's file, with anybody's saved login in it.
    if (QFileInfo(shippedFile).isFile() && linkRefusal(shippedFile).isEmpty() && shipped.open(QIODevice::ReadOnly))
        bytes = shipped.read(kMaxCopyBytes);
    QSaveFile copy(path);
    if (!copy.open(QIODevice::WriteOnly)) {
        qCWarning(lcSettings) << "cannot make the settings file" << path << copy.errorString();
        return {};
    }
    // The file holds the password: for its owner only, before anything is written into it.
    copy.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (copy.write(bytes) != bytes.size() || !copy.commit()) {
        qCWarning(lcSettings) << "cannot make the settings file" << path << copy.errorString();
        return {};
    }
    qCDebug(lcSettings) << "made the user's own settings file" << path;
    return path;
}

QString choose(const QString &programDir, const std::function<bool(const QString &cfgFile)> &writable)
{
    QString shipped = shippedFile(programDir);
    if (!writable || writable(shipped))
        return shipped;
    const QString link = linkRefusal(shipped);
    QString copy = userCopy(shipped);
    if (copy.isEmpty()) {
        qCWarning(lcSettings) << "no settings file can be written; a login will not be remembered";
        return shipped;
    }
    // A link the program will not write through is somebody's doing: say so where it can be seen.
    if (!link.isEmpty())
        qCWarning(lcSettings).noquote() << shipped << "is" << link << "- the saved login is kept in" << copy;
    else
        qCDebug(lcSettings) << "the settings file beside the program cannot be written; settings are kept in" << copy;
    return copy;
}

} // namespace CfgLocation

} // namespace zq
