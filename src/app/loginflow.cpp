#include "loginflow.h"

#include "app/window/dialogs.h"
#include "appstate.h"
#include "net/webclient.h"
#include "serviceaddresses.h"
#include "settings/savedlogin.h"
#include "softwareinfo.h"
#include "text/logsecrets.h"
#include "text/texthelpers.h"

#include <QLineEdit>
#include <QPushButton>

namespace zq {

LoginFlow::LoginFlow(Widgets widgets, const AppState &machine, Dialogs &dialogs, const ServiceAddresses &addresses,
                     WebClient &web, SoftwareInfo &softwareInfo, LogSecrets *logSecrets, QObject *parent)
    : QObject(parent), m_widgets(widgets), m_machine(machine), m_dialogs(dialogs), m_addresses(addresses), m_web(web),
      m_softwareInfo(softwareInfo), m_logSecrets(logSecrets)
{}

void LoginFlow::setButtonsEnabled(bool enabled)
{
    m_widgets.loginButton->setEnabled(enabled);
    m_widgets.goToRegistrationButton->setEnabled(enabled);
}

void LoginFlow::onLoginClicked()
{
    if (signingIn())
        return;
    const QString typedAccount = m_widgets.loginUser->text();
    const QString typedPassword = m_widgets.loginPass->text();
    const QString account = trimSpaces(typedAccount);
    const QString password = trimSpaces(typedPassword);
    if (account.isEmpty() || password.isEmpty()) {
        m_dialogs.information(QStringLiteral("请输入用户名和密码以登陆软件"));
        return;
    }
    m_session.account = account;
    m_session.password = password;
    // From here on the password stands in the login's address and the plan page's: whatever
    // quotes either, no log line shows it.
    if (m_logSecrets) {
        m_logSecrets->add(typedPassword);
        m_logSecrets->add(password);
    }

    m_step = Step::Sending;
    setButtonsEnabled(false);
    m_web.getWebContent(m_addresses.login(account, password), this,
                        [this, typedAccount, typedPassword](const QString &answer) {
                            answered(trimSpaces(answer), typedAccount, typedPassword);
                        });
}

void LoginFlow::answered(const QString &answer, const QString &typedAccount, const QString &typedPassword)
{
    if (answer.isEmpty() || answer == QStringLiteral("null")) {
        m_dialogs.information(QStringLiteral("登录失败，可能是网络问题，请稍候重试即可。"));
    } else if (answer.contains(QStringLiteral("ok")) && answer.contains(u'|')) {
        // What was typed is saved as typed; the request used the trimmed values.
        saveLogin(typedAccount, typedPassword, m_machine.cfgPath);
        const QString account = trimSpaces(typedAccount);
        // The page's address comes with the software information: after a start that got none,
        // ask once more before the window opens the page. Still none: no page, and the notice of
        // the failed start stays.
        if (m_softwareInfo.value().planPageUrl.isEmpty()) {
            m_step = Step::Refreshing;
            connect(
                &m_softwareInfo, &SoftwareInfo::refreshed, this, [this, account] { finishSignIn(account); },
                Qt::SingleShotConnection);
            m_softwareInfo.refresh();
            return;
        }
        finishSignIn(account);
        return;
    } else {
        m_dialogs.information(serviceMessage(answer));
    }
    m_step = Step::Idle;
    setButtonsEnabled(true);
}

void LoginFlow::finishSignIn(const QString &account)
{
    Q_EMIT signedIn(account);
    m_step = Step::Idle;
    setButtonsEnabled(true);
}

} // namespace zq
