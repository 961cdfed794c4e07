#pragma once

#include "sessionaccount.h"

#include <QObject>
#include <QString>

class QLineEdit;
class QPushButton;

namespace zq {

class Dialogs;
class LogSecrets;
class ServiceAddresses;
class SoftwareInfo;
class WebClient;
struct AppState;

// The login box: signs the user in and saves the credentials. It owns the account of the
// session; what the window does on a login (the caption, the plan page, the signed-in layout)
// it learns from signedIn().
class LoginFlow final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LoginFlow)

public:
    // The controls of the login box that the login reads and switches.
    struct Widgets
    {
        QLineEdit *loginUser = nullptr;                // login_user
        QLineEdit *loginPass = nullptr;                // login_pass
        QPushButton *loginButton = nullptr;            // vip_login
        QPushButton *goToRegistrationButton = nullptr; // vip_gotoreg
    };

    // `logSecrets` (may be null) is told each password the login sends.
    LoginFlow(Widgets widgets, const AppState &machine, Dialogs &dialogs, const ServiceAddresses &addresses,
              WebClient &web, SoftwareInfo &softwareInfo, LogSecrets *logSecrets, QObject *parent = nullptr);

    // cur_account and cur_password: empty until the user first submits the box with both filled.
    const SessionAccount &session() const { return m_session; }

    // From the click of vip_login until the login has been handled, whatever the answer.
    bool signingIn() const { return m_step != Step::Idle; }

public Q_SLOTS:
    // The click of vip_login. While a login is under way it sends nothing more.
    void onLoginClicked();

Q_SIGNALS:
    // The service accepted the account and the typed values were saved: the window adds the
    // account to its caption, opens the plan page for it and switches to the signed-in layout.
    void signedIn(const QString &account);

private:
    enum class Step
    {
        Idle,
        Sending,    // the login request is out
        Refreshing, // accepted, and the software information is asked for the plan page's address
    };

    void answered(const QString &answer, const QString &typedAccount, const QString &typedPassword);
    void finishSignIn(const QString &account);
    void setButtonsEnabled(bool enabled);

    Widgets m_widgets;
    const AppState &m_machine;
    Dialogs &m_dialogs;
    const ServiceAddresses &m_addresses;
    WebClient &m_web;
    SoftwareInfo &m_softwareInfo;
    LogSecrets *m_logSecrets;
    SessionAccount m_session;
    Step m_step = Step::Idle;
};

} // namespace zq
