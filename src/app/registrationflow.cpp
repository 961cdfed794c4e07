#include "registrationflow.h"

#include "appstate.h"
#include "controls.h"
#include "dialogs.h"
#include "jsontext.h"
#include "platformlist.h"
#include "querytext.h"
#include "texthelpers.h"
#include "webclient.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

RegistrationFlow::RegistrationFlow(AppState &state, Controls &controls, Dialogs &dialogs,
                                   tarel_tools::WebClient &web, const tarel_tools::RegPlatforms &platforms)
    : m_state(state), m_controls(controls), m_dialogs(dialogs), m_web(web), m_platforms(platforms)
{
}

void RegistrationFlow::vip_gotoreg_Click()
{
    m_controls.frame_reg->show();
    m_controls.frame_login->hide();
}

void RegistrationFlow::vip_reg_undo_Click()
{
    m_controls.frame_reg->hide();
    m_controls.frame_login->hide();
}

void RegistrationFlow::vip_closelogin_Click()
{
    m_controls.frame_login->hide();
    m_controls.frame_reg->hide();
}

QString RegistrationFlow::registrationAddress(const Form &form) const
{
    using tarel_tools::urlEncode;
    QString url = m_state.service_base +
                  QStringLiteral("spcenter/zqsso.php?a=reg&u={ACCOUNT}&p={PASSWORD}&pt={REGPTVAL}&s={SSCATTACH}&code=") +
                  queryValue(m_state.soft_code) + QStringLiteral("&mac={MAC}&hash={HASH}&e={EMAIL}");
    // Typed values are encoded, so none can end its key early or add another one. The
    // platform value comes from the service and is encoded for the same reason.
    url.replace(QStringLiteral("{ACCOUNT}"), urlEncode(form.account));
    url.replace(QStringLiteral("{PASSWORD}"), urlEncode(form.password));
    url.replace(QStringLiteral("{REGPTVAL}"), queryValue(form.platformValue));
    url.replace(QStringLiteral("{SSCATTACH}"), urlEncode(form.platformAccount));
    url.replace(QStringLiteral("{HASH}"), m_state.machine_hash);
    url.replace(QStringLiteral("{EMAIL}"), urlEncode(form.email));
    url.replace(QStringLiteral("{MAC}"), m_state.machine_mac);
    return url;
}

void RegistrationFlow::vip_reg_Click()
{
    Form form;
    form.account = trimSpaces(m_controls.reg_user->text());
    form.password = trimSpaces(m_controls.reg_pass->text());
    form.platformAccount = trimSpaces(m_controls.user_shishicaiattachid->text());
    const QString platformName = trimSpaces(m_controls.reg_pt->currentText());
    form.email = trimSpaces(m_controls.reg_email->text());

    m_controls.vip_reg->setEnabled(false);
    if (form.account.isEmpty() || form.password.isEmpty() || form.platformAccount.isEmpty() ||
        platformName.isEmpty() || form.email.isEmpty()) {
        m_dialogs.information(fillInEverythingText());
        m_controls.vip_reg->setEnabled(true);
        return;
    }
    form.platformValue = m_platforms.getPlatformValue(platformName);

    m_controls.vip_reg->setEnabled(false);
    m_controls.vip_reg_undo->setEnabled(false);

    QString answer = m_web.getWebContent(registrationAddress(form));
    // No answer at all reads like the service's own "null": a network failure.
    if (answer == QStringLiteral("null") || answer.isEmpty())
        answer = networkFailureText();
    if (answer.contains(QStringLiteral("ok"))) {
        m_controls.login_user->setText(form.account);
        m_controls.login_pass->setText(form.password);
        m_controls.frame_reg->hide();
        m_controls.frame_login->show();
    } else {
        m_dialogs.information(serviceMessage(answer));
    }

    m_controls.vip_reg->setEnabled(true);
    m_controls.vip_reg_undo->setEnabled(true);
}
