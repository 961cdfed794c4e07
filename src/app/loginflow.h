#pragma once

#include <QPointer>
#include <QString>

class QWidget;

namespace zq {

class Dialogs;
class ServiceAddresses;
struct AppState;
struct Controls;

class WebClient;

// The login box: signs the user in, saves the credentials and opens the plan page.
class LoginFlow final
{
public:
    LoginFlow(AppState &state, Controls &controls, Dialogs &dialogs, const ServiceAddresses &addresses, WebClient &web,
              QWidget *window);
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
};

} // namespace zq
