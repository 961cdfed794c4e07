#include "registrationflow.h"

#include "controls.h"
#include "dialogs.h"
#include "net/webclient.h"
#include "platformlist.h"
#include "serviceaddresses.h"
#include "texthelpers.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

RegistrationFlow::RegistrationFlow(Controls &controls, Dialogs &dialogs, const ServiceAddresses &addresses,
                                   tarel_tools::WebClient &web, const tarel_tools::RegPlatforms &platforms)
    : m_controls(controls), m_dialogs(dialogs), m_addresses(addresses), m_web(web),
      m_platforms(platforms)
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

void RegistrationFlow::vip_reg_Click()
{
    RegistrationForm form;
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

    QString answer = m_web.getWebContent(m_addresses.registration(form));
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
