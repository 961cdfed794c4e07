#pragma once

#include <QString>

namespace zq {

class Dialogs;
class ServiceAddresses;
struct Controls;

class WebClient;

// The registration box and the buttons that switch between it and the login box.
class RegistrationFlow final
{
public:
    RegistrationFlow(Controls &controls, Dialogs &dialogs, const ServiceAddresses &addresses, WebClient &web);
    Q_DISABLE_COPY_MOVE(RegistrationFlow)

    void onGoToRegistrationClicked();
    void onRegistrationCancelClicked();
    void onCloseLoginClicked();
    void onRegisterClicked();

    static QString fillInEverythingText() { return QStringLiteral("请填写完整的注册信息（账号、密码、邮箱、平台和绑定的彩票平台账号）后再提交注册！"); }
    static QString networkFailureText() { return QStringLiteral("注册失败，可能是网络问题，请重试！"); }

private:
    Controls &m_controls;
    Dialogs &m_dialogs;
    const ServiceAddresses &m_addresses;
    WebClient &m_web;
};

} // namespace zq
