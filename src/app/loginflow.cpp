#include "loginflow.h"

#include "app/window/clickablelabel.h"
#include "app/window/controls.h"
#include "app/window/dialogs.h"
#include "appstate.h"
#include "browser/planpage.h"
#include "net/webclient.h"
#include "savedlogin.h"
#include "serviceaddresses.h"
#include "text/logsecrets.h"
#include "texthelpers.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace zq {

LoginFlow::LoginFlow(AppState &state, Controls &controls, Dialogs &dialogs, const ServiceAddresses &addresses,
                     WebClient &web, QWidget *window, Actions actions, LogSecrets *logSecrets)
    : m_state(state), m_controls(controls), m_dialogs(dialogs), m_addresses(addresses), m_web(web), m_window(window),
      m_actions(std::move(actions)), m_logSecrets(logSecrets)
{
}

void LoginFlow::openPlanPage()
{
    if (m_state.webCtl)
        m_state.webCtl->navigate(m_addresses.planPage());
}

void LoginFlow::onLoginClicked()
{
    const QString typedAccount = m_controls.loginUser->text();
    const QString typedPassword = m_controls.loginPass->text();
    const QString account = trimSpaces(typedAccount);
    const QString password = trimSpaces(typedPassword);
    if (account.isEmpty() || password.isEmpty()) {
        m_dialogs.information(QStringLiteral("请输入用户名和密码以登陆软件"));
        return;
    }
    m_state.curAccount = account;
    m_state.curPassword = password;
    // From here on the password stands in the login's address and the plan page's: whatever
    // quotes either, no log line shows it.
    if (m_logSecrets) {
        m_logSecrets->add(typedPassword);
        m_logSecrets->add(password);
    }

    m_controls.loginButton->setEnabled(false);
    m_controls.goToRegistrationButton->setEnabled(false);

    const QString answer = trimSpaces(m_web.getWebContent(m_addresses.login(account, password)));
    if (answer.isEmpty() || answer == QStringLiteral("null")) {
        m_dialogs.information(QStringLiteral("登录失败，可能是网络问题，请稍候重试即可。"));
    } else if (answer.contains(QStringLiteral("ok")) && answer.contains(u'|')) {
        // What was typed is saved as typed; the request used the trimmed values.
        saveLogin(typedAccount, typedPassword, m_state.cfgPath);
        signedIn(account);
    } else {
        m_dialogs.information(serviceMessage(answer));
    }

    m_controls.loginButton->setEnabled(true);
    m_controls.goToRegistrationButton->setEnabled(true);
}

void LoginFlow::signedIn(const QString &account)
{
    if (m_window)
        m_window->setWindowTitle(m_window->windowTitle() + QStringLiteral("- ") + account);
    // The page's address comes with the software information: after a start that got none,
    // ask once more. Still none: no page, and the notice of the failed start stays.
    if (m_state.planPageUrl.isEmpty() && m_actions.refreshSoftwareInfo)
        m_actions.refreshSoftwareInfo();
    if (!m_state.planPageUrl.isEmpty()) {
        openPlanPage();
        if (m_actions.planPageOpened)
            m_actions.planPageOpened();
    }
    m_controls.loginBox->hide();
    for (int index : {TipsLabel::LoginLink, TipsLabel::RegistrationLink})
        if (ClickableLabel *label = m_controls.tipsLabel(index))
            label->hide();
    for (int index : {TipsLabel::CopyNumbersLink, TipsLabel::CopyPlanLink, TipsLabel::ExternalNumbersLabel})
        if (ClickableLabel *label = m_controls.tipsLabel(index))
            label->show();
    m_controls.outplan->show();
}

} // namespace zq
