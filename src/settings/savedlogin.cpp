#include "savedlogin.h"

#include "settingskeys.h"
#include "text/logsecrets.h"

namespace zq {

void loadIniToText(const QString &section, const QString &key, QString *text, const QString &cfgPath)
{
    if (!text)
        return;
    const QString value = readIniValue(section, key, cfgPath);
    if (!value.isEmpty())
        *text = value;
}

void loadSavedLogin(QString *loginUser, QString *loginPass, const QString &cfgPath, LogSecrets *logSecrets)
{
    const auto load = [&cfgPath](const SettingsKey &setting, QString *text) {
        loadIniToText(setting.section.toString(), setting.key.toString(), text, cfgPath);
    };
    load(SettingsKeys::loginUser, loginUser);
    load(SettingsKeys::loginPass, loginPass);
    // A secret whether or not the user signs in with it: the box, and the file, hold it.
    if (logSecrets)
        logSecrets->add(readSetting(SettingsKeys::loginPass, cfgPath));
}

void saveLogin(const QString &typedAccount, const QString &typedPassword, const QString &cfgPath)
{
    // One replacement of the file for both: a write that fails part way (a full disk) must not
    // leave the new account beside the old password.
    writeSettings({{SettingsKeys::loginUser, typedAccount}, {SettingsKeys::loginPass, typedPassword}}, cfgPath);
}

} // namespace zq
