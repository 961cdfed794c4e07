#include "registrationflow.h"

#include "app/window/dialogs.h"
#include "net/webclient.h"
#include "serviceaddresses.h"
#include "text/logsecrets.h"
#include "text/texthelpers.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace zq {

RegistrationFlow::RegistrationFlow(Widgets widgets, Dialogs &dialogs, const ServiceAddresses &addresses, WebClient &web,
                                   LogSecrets *logSecrets, QObject *parent)
    : QObject(parent), m_widgets(widgets), m_dialogs(dialogs), m_addresses(addresses), m_web(web),
      m_logSecrets(logSecrets)
{}

void RegistrationFlow::setPlatforms(const QString &regPlatformText)
{
    m_platforms.fillRegPlatforms(regPlatformText, m_widgets.regPlatform);
}

void RegistrationFlow::onRegisterClicked()
{
    if (m_registering)
        return;
    const QString typedPassword = m_widgets.regPass->text();
    RegistrationForm form;
    form.account = trimSpaces(m_widgets.regUser->text());
    form.password = trimSpaces(typedPassword);
    form.platformAccount = trimSpaces(m_widgets.regPlatformAccount->text());
    const QString platformName = trimSpaces(m_widgets.regPlatform->currentText());
    form.email = trimSpaces(m_widgets.regEmail->text());

    m_widgets.registerButton->setEnabled(false);
    if (form.account.isEmpty() || form.password.isEmpty() || form.platformAccount.isEmpty() || platformName.isEmpty() ||
        form.email.isEmpty()) {
        m_dialogs.information(fillInEverythingText());
        m_widgets.registerButton->setEnabled(true);
        return;
    }
    // The chosen item's own value (fillRegPlatforms keeps it with the item), not one found
    // again by the shown name.
    form.platformValue = m_widgets.regPlatform->currentData().toString();
    // The new password stands in the registration's address, and soon in the login box: no log
    // line shows it.
    if (m_logSecrets) {
        m_logSecrets->add(typedPassword);
        m_logSecrets->add(form.password);
    }

    m_registering = true;
    m_widgets.registerButton->setEnabled(false);
    m_widgets.registrationCancelButton->setEnabled(false);
    m_web.getWebContent(m_addresses.registration(form), this,
                        [this, account = form.account, password = form.password](const QString &answer) {
                            answered(answer, account, password);
                        });
}

void RegistrationFlow::answered(QString answer, const QString &account, const QString &password)
{
    // No answer at all reads like the service's own "null": a network failure.
    if (answer == QStringLiteral("null") || answer.isEmpty())
        answer = networkFailureText();
    if (answer.contains(QStringLiteral("ok")))
        Q_EMIT registered(account, password);
    else
        m_dialogs.information(serviceMessage(answer));

    m_registering = false;
    m_widgets.registerButton->setEnabled(true);
    m_widgets.registrationCancelButton->setEnabled(true);
}

} // namespace zq
