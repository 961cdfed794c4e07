#pragma once

#include <QString>

class Dialogs;
class ServiceAddresses;
struct Controls;

namespace tarel_tools {
class RegPlatforms;
class WebClient;
} // namespace tarel_tools

// The registration box and the buttons that switch between it and the login box.
class RegistrationFlow final
{
public:
    RegistrationFlow(Controls &controls, Dialogs &dialogs, const ServiceAddresses &addresses,
                     tarel_tools::WebClient &web, const tarel_tools::RegPlatforms &platforms);
    Q_DISABLE_COPY_MOVE(RegistrationFlow)

    void vip_gotoreg_Click();
    void vip_reg_undo_Click();
    void vip_closelogin_Click();
    void vip_reg_Click();

    static QString fillInEverythingText() { return QStringLiteral("请填写完整的注册信息（账号、密码、邮箱、平台和绑定的彩票平台账号）后再提交注册！"); }
    static QString networkFailureText() { return QStringLiteral("注册失败，可能是网络问题，请重试！"); }

private:
    Controls &m_controls;
    Dialogs &m_dialogs;
    const ServiceAddresses &m_addresses;
    tarel_tools::WebClient &m_web;
    const tarel_tools::RegPlatforms &m_platforms;
};
