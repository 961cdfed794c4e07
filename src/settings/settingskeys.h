#pragma once

#include "settings/ini.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <initializer_list>
#include <utility>

namespace zq {

// Where the program keeps its values in cfg.ini: one row per value, used by every reader
// and writer.
struct SettingsKey
{
    QStringView section;
    QStringView key;
    // A file that holds this value is for its owner only.
    bool secret = false;
};

namespace SettingsKeys {

// The product or agent code that replaces the default soft_code; written by the installer.
inline constexpr SettingsKey productCode{u"daili", u"code"};
// The account and password of the last successful login, as typed.
inline constexpr SettingsKey loginUser{u"vip_user_info", u"login_user", true};
inline constexpr SettingsKey loginPass{u"vip_user_info", u"login_pass", true};

} // namespace SettingsKeys

inline QString readSetting(const SettingsKey &setting, const QString &cfgPath)
{
    return readIniValue(setting.section.toString(), setting.key.toString(), cfgPath);
}

inline bool writeSetting(const SettingsKey &setting, const QString &value, const QString &cfgPath)
{
    return writeIniValue(setting.section.toString(), setting.key.toString(), value, cfgPath,
                         setting.secret ? FileAccess::OwnerOnly : FileAccess::Keep);
}

// Several values of one section in one replacement of the file: all of them are written, or
// none. False, and nothing written, when they are not all of one section.
inline bool writeSettings(std::initializer_list<std::pair<SettingsKey, QString>> settings, const QString &cfgPath)
{
    if (settings.size() == 0)
        return false;
    const QStringView section = settings.begin()->first.section;
    QList<IniValue> values;
    bool secret = false;
    for (const auto &[setting, value] : settings) {
        if (setting.section != section)
            return false;
        values.append({setting.key.toString(), value});
        secret = secret || setting.secret;
    }
    return writeIniValues(section.toString(), values, cfgPath, secret ? FileAccess::OwnerOnly : FileAccess::Keep);
}

} // namespace zq
