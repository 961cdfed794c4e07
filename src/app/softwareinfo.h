#pragma once

#include <QString>

class ServiceAddresses;
struct AppConfig;
struct AppState;
struct Controls;

namespace tarel_tools {
class RegPlatforms;
class WebClient;
} // namespace tarel_tools

// init_var: the program's identity and service settings, and the software information
// that the service sends at start-up and after every online report.
class SoftwareInfo final
{
public:
    SoftwareInfo(AppState &state, Controls &controls, const ServiceAddresses &addresses, tarel_tools::WebClient &web,
                 tarel_tools::RegPlatforms &platforms, const AppConfig &config);
    Q_DISABLE_COPY_MOVE(SoftwareInfo)

    void init_var();

    // The address and body of the request that init_var sends at start-up: the program sends
    // it ahead while the window is being built.
    struct Request
    {
        QString url;
        QString body;
    };
    static Request startUpRequest(const AppConfig &config);

    static QString failureNotice() { return QStringLiteral("软件初始化失败，请重新启动软件试试看！"); }

private:
    static void setConstants(AppState &state, const AppConfig &config);
    void distribute(const QString &answer);
    void showPlatformLinks(const QString &pltlist);

    AppState &m_state;
    Controls &m_controls;
    const ServiceAddresses &m_addresses;
    tarel_tools::WebClient &m_web;
    tarel_tools::RegPlatforms &m_platforms;
    const AppConfig &m_config;
};
