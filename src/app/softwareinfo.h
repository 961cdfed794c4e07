#pragma once

#include <QString>

namespace zq {

class ServiceAddresses;
struct AppConfig;
struct AppState;
struct Controls;

class RegPlatforms;
class WebClient;

// refreshSoftwareInfo: the program's identity and service settings, and the software information
// that the service sends at start-up and after every online report.
class SoftwareInfo final
{
public:
    SoftwareInfo(AppState &state, Controls &controls, const ServiceAddresses &addresses, WebClient &web,
                 RegPlatforms &platforms, const AppConfig &config);
    Q_DISABLE_COPY_MOVE(SoftwareInfo)

    // True when the service answered (the answer was distributed).
    bool refreshSoftwareInfo();

    // The address and body of the request that refreshSoftwareInfo sends at start-up: the program sends
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
    WebClient &m_web;
    RegPlatforms &m_platforms;
    const AppConfig &m_config;
};

} // namespace zq
