#include "loginflow.h"

#include "appstate.h"
#include "browser/planpage.h"
#include "clickablelabel.h"
#include "controls.h"
#include "dialogs.h"
#include "net/webclient.h"
#include "savedlogin.h"
#include "serviceaddresses.h"
#include "texthelpers.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

LoginFlow::LoginFlow(AppState &state, Controls &controls, Dialogs &dialogs, const ServiceAddresses &addresses,
                     tarel_tools::WebClient &web, QWidget *window)
    : m_state(state), m_controls(controls), m_dialogs(dialogs), m_addresses(addresses), m_web(web), m_window(window)
{
}

void LoginFlow::openPlanPage()
{
    if (m_state.web_ctl)
        m_state.web_ctl->navigate(m_addresses.planPage());
}

void LoginFlow::vip_login_Click()
{
    const QString typedAccount = m_controls.login_user->text();
    const QString typedPassword = m_controls.login_pass->text();
    const QString account = trimSpaces(typedAccount);
    const QString password = trimSpaces(typedPassword);
    if (account.isEmpty() || password.isEmpty()) {
        m_dialogs.information(QStringLiteral("请输入用户名和密码以登陆软件"));
        return;
    }
    m_state.cur_account = account;
    m_state.cur_password = password;

    m_controls.vip_login->setEnabled(false);
    m_controls.vip_gotoreg->setEnabled(false);

    const QString answer = trimSpaces(m_web.getWebContent(m_addresses.login(account, password)));
    if (answer.isEmpty() || answer == QStringLiteral("null")) {
        m_dialogs.information(QStringLiteral("登录失败，可能是网络问题，请稍候重试即可。"));
    } else if (answer.contains(QStringLiteral("ok")) && answer.contains(u'|')) {
        // What was typed is saved as typed; the request used the trimmed values.
        tarel_tools::saveLogin(typedAccount, typedPassword, m_state.cfg_path);
        signedIn(account);
    } else {
        m_dialogs.information(serviceMessage(answer));
    }

    m_controls.vip_login->setEnabled(true);
    m_controls.vip_gotoreg->setEnabled(true);
}

void LoginFlow::signedIn(const QString &account)
{
    if (m_window)
        m_window->setWindowTitle(m_window->windowTitle() + QStringLiteral("- ") + account);
    openPlanPage();
    m_controls.frame_login->hide();
    for (int index : {TipsLabel::LoginLink, TipsLabel::RegistrationLink})
        if (ClickableLabel *label = m_controls.tipsLabel(index))
            label->hide();
    for (int index : {TipsLabel::CopyNumbersLink, TipsLabel::CopyPlanLink, TipsLabel::ExternalNumbersLabel})
        if (ClickableLabel *label = m_controls.tipsLabel(index))
            label->show();
    m_controls.outplan->show();
}
