#include "savedlogin.h"

#include "ini.h"

#include <QLineEdit>

using namespace Qt::StringLiterals;

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
    loadIniToText(u"vip_user_info"_s, u"login_user"_s, login_user, cfgPath);
    loadIniToText(u"vip_user_info"_s, u"login_pass"_s, login_pass, cfgPath);
}

} // namespace tarel_tools
