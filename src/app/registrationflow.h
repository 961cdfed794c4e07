#pragma once

#include "platformlist.h"

#include <QObject>
#include <QString>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace zq {

class Dialogs;
class LogSecrets;
class ServiceAddresses;
class WebClient;

// The registration box: sends a new account to the service and keeps the platform list that
// it chooses from. What happens on success (the login box filled and shown) is the window's,
// told by registered().
class RegistrationFlow final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RegistrationFlow)

public:
    // The controls of the registration box that the registration reads and switches.
    struct Widgets
    {
        QLineEdit *regUser = nullptr;                    // reg_user
        QLineEdit *regPass = nullptr;                    // reg_pass
        QLineEdit *regEmail = nullptr;                   // reg_email
        QComboBox *regPlatform = nullptr;                // reg_pt
        QLineEdit *regPlatformAccount = nullptr;         // user_shishicaiattachid
        QPushButton *registerButton = nullptr;           // vip_reg
        QPushButton *registrationCancelButton = nullptr; // vip_reg_undo
    };

    // `logSecrets` (may be null) is told each password the registration sends.
    RegistrationFlow(Widgets widgets, Dialogs &dialogs, const ServiceAddresses &addresses, WebClient &web,
                     LogSecrets *logSecrets, QObject *parent = nullptr);

    // The registration platform table of the software information into reg_pt (fillRegPlatforms).
    void setPlatforms(const QString &regPlatformText);
    const RegPlatforms &platforms() const { return m_platforms; }

    // From the click of vip_reg until its answer has been handled.
    bool registering() const { return m_registering; }

    static QString fillInEverythingText()
    {
        return QStringLiteral("请填写完整的注册信息（账号、密码、邮箱、平台和绑定的彩票平台账号）后再提交注册！");
    }
    static QString networkFailureText() { return QStringLiteral("注册失败，可能是网络问题，请重试！"); }

public Q_SLOTS:
    // The click of vip_reg. While a registration is under way it sends nothing more.
    void onRegisterClicked();

Q_SIGNALS:
    // The service created the account: the window puts it into the login box and shows that box.
    void registered(const QString &account, const QString &password);

private:
    void answered(QString answer, const QString &account, const QString &password);

    Widgets m_widgets;
    Dialogs &m_dialogs;
    const ServiceAddresses &m_addresses;
    WebClient &m_web;
    LogSecrets *m_logSecrets;
    RegPlatforms m_platforms;
    bool m_registering = false;
};

} // namespace zq
