#pragma once

#include <QPointer>
#include <QString>

#include <functional>

class QWidget;

namespace zq {

class Dialogs;
class LogSecrets;
class ServiceAddresses;
struct AppState;
struct Controls;

class WebClient;

// The login box: signs the user in, saves the credentials and opens the plan page.
class LoginFlow final
{
public:
    struct Actions
    {
        std::function<void()> refreshSoftwareInfo; // fetch the software information again
        std::function<void()> planPageOpened;      // the plan page was opened for the account
    };

    // `logSecrets` (may be null) is told each password the login sends.
    LoginFlow(AppState &state, Controls &controls, Dialogs &dialogs, const ServiceAddresses &addresses, WebClient &web,
              QWidget *window, Actions actions, LogSecrets *logSecrets);
    Q_DISABLE_COPY_MOVE(LoginFlow)

    // The click of vip_login.
    void onLoginClicked();

    // The plan page for the current account, in the browser.
    void openPlanPage();

private:
    void signedIn(const QString &account);

    AppState &m_state;
    Controls &m_controls;
    Dialogs &m_dialogs;
    const ServiceAddresses &m_addresses;
    WebClient &m_web;
    QPointer<QWidget> m_window;
    Actions m_actions;
    LogSecrets *m_logSecrets;
};

} // namespace zq
