#include "registrationflow.h"

#include "app/window/boxkeys.h"
#include "app/window/controls.h"
#include "app/window/dialogs.h"
#include "net/webclient.h"
#include "serviceaddresses.h"
#include "texthelpers.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace zq {

RegistrationFlow::RegistrationFlow(Controls &controls, Dialogs &dialogs, const ServiceAddresses &addresses,
                                   WebClient &web)
    : m_controls(controls), m_dialogs(dialogs), m_addresses(addresses), m_web(web)
{
}

void RegistrationFlow::onGoToRegistrationClicked()
{
    m_controls.registrationBox->show();
    m_controls.loginBox->hide();
    focusRegistrationBox(m_controls);
}

void RegistrationFlow::onRegistrationCancelClicked()
{
    m_controls.registrationBox->hide();
    m_controls.loginBox->hide();
}

void RegistrationFlow::onCloseLoginClicked()
{
    m_controls.loginBox->hide();
    m_controls.registrationBox->hide();
}

void RegistrationFlow::onRegisterClicked()
{
    RegistrationForm form;
    form.account = trimSpaces(m_controls.regUser->text());
    form.password = trimSpaces(m_controls.regPass->text());
    form.platformAccount = trimSpaces(m_controls.regPlatformAccount->text());
    const QString platformName = trimSpaces(m_controls.regPlatform->currentText());
    form.email = trimSpaces(m_controls.regEmail->text());

    m_controls.registerButton->setEnabled(false);
    if (form.account.isEmpty() || form.password.isEmpty() || form.platformAccount.isEmpty() ||
        platformName.isEmpty() || form.email.isEmpty()) {
        m_dialogs.information(fillInEverythingText());
        m_controls.registerButton->setEnabled(true);
        return;
    }
    // The chosen item's own value (fillRegPlatforms keeps it with the item), not one found
    // again by the shown name.
    form.platformValue = m_controls.regPlatform->currentData().toString();

    m_controls.registerButton->setEnabled(false);
    m_controls.registrationCancelButton->setEnabled(false);

    QString answer = m_web.getWebContent(m_addresses.registration(form));
    // No answer at all reads like the service's own "null": a network failure.
    if (answer == QStringLiteral("null") || answer.isEmpty())
        answer = networkFailureText();
    if (answer.contains(QStringLiteral("ok"))) {
        m_controls.loginUser->setText(form.account);
        m_controls.loginPass->setText(form.password);
        m_controls.registrationBox->hide();
        m_controls.loginBox->show();
        focusLoginBox(m_controls);
    } else {
        m_dialogs.information(serviceMessage(answer));
    }

    m_controls.registerButton->setEnabled(true);
    m_controls.registrationCancelButton->setEnabled(true);
}

} // namespace zq
