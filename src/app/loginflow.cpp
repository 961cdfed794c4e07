#include "loginflow.h"

#include "appstate.h"
#include "clickablelabel.h"
#include "controls.h"
#include "dialogs.h"
#include "ini.h"
#include "jsontext.h"
#include "planpage.h"
#include "querytext.h"
#include "texthelpers.h"
#include "webclient.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

LoginFlow::LoginFlow(AppState &state, Controls &controls, Dialogs &dialogs, tarel_tools::WebClient &web,
                     QWidget *window)
    : m_state(state), m_controls(controls), m_dialogs(dialogs), m_web(web), m_window(window)
{
}

QString LoginFlow::loginAddress(const QString &account, const QString &password) const
{
    QString url = m_state.service_base +
                  QStringLiteral("spcenter/zqsso.php?a=login_2016&u={ACCOUNT}&p={PASSWORD}&hash={CON}&code=") +
                  queryValue(m_state.soft_code) + QStringLiteral("&ver=") + m_state.version_tag();
    // Typed values are encoded: "&", "#" or a blank in them can neither cut the query
    // short nor add a key, and an encoded value holds no "{" for a later placeholder to find.
    url.replace(QStringLiteral("{ACCOUNT}"), tarel_tools::urlEncode(account));
    url.replace(QStringLiteral("{PASSWORD}"), tarel_tools::urlEncode(password));
    url.replace(QStringLiteral("{CON}"), m_state.machine_hash);
    return url;
}

QString LoginFlow::planPageAddress() const
{
    QString url = m_state.plan_page_url;
    url.replace(QStringLiteral("{ACC}"), tarel_tools::urlEncode(m_state.cur_account));
    url.replace(QStringLiteral("{PASS}"), tarel_tools::urlEncode(m_state.cur_password));
    return url;
}

void LoginFlow::openPlanPage()
{
    if (m_state.web_ctl)
        m_state.web_ctl->navigate(planPageAddress());
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

    const QString answer = trimSpaces(m_web.getWebContent(loginAddress(account, password)));
    if (answer.isEmpty() || answer == QStringLiteral("null")) {
        m_dialogs.information(QStringLiteral("登录失败，可能是网络问题，请稍候重试即可。"));
    } else if (answer.contains(QStringLiteral("ok")) && answer.contains(u'|')) {
        // What was typed is saved as typed; the request used the trimmed values.
        const QString section = QStringLiteral("vip_user_info");
        ini::writeIniValue(section, QStringLiteral("login_user"), typedAccount, m_state.cfg_path);
        ini::writeIniValue(section, QStringLiteral("login_pass"), typedPassword, m_state.cfg_path);
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
    for (int index : {1, 2})
        if (ClickableLabel *label = m_controls.tipsLabel(index))
            label->hide();
    for (int index : {5, 7, 6})
        if (ClickableLabel *label = m_controls.tipsLabel(index))
            label->show();
    m_controls.outplan->show();
}
