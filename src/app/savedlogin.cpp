#include "savedlogin.h"

#include "settingskeys.h"

#include <QLineEdit>

namespace tarel_tools {

void loadIniToText(const QString &section, const QString &key, QLineEdit *box, const QString &cfgPath)
{
    if (!box)
        return;
    const QString value = ini::readIniValue(section, key, cfgPath);
    if (!value.isEmpty())
        box->setText(value);
}

void loadSavedLogin(QLineEdit *login_user, QLineEdit *login_pass, const QString &cfgPath)
{
    const auto load = [&cfgPath](const SettingsKey &setting, QLineEdit *box) {
        loadIniToText(setting.section.toString(), setting.key.toString(), box, cfgPath);
    };
    load(SettingsKeys::loginUser, login_user);
    load(SettingsKeys::loginPass, login_pass);
}

void saveLogin(const QString &typedAccount, const QString &typedPassword, const QString &cfgPath)
{
    writeSetting(SettingsKeys::loginUser, typedAccount, cfgPath);
    writeSetting(SettingsKeys::loginPass, typedPassword, cfgPath);
}

} // namespace tarel_tools
