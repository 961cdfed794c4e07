#pragma once

#include <QString>

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
    SoftwareInfo(AppState &state, Controls &controls, tarel_tools::WebClient &web,
                 tarel_tools::RegPlatforms &platforms, QString serviceBase);
    Q_DISABLE_COPY_MOVE(SoftwareInfo)

    void init_var();

    // The query text of the software-information request, leading "?" included.
    QString softinfoQuery() const;

    // The address and body of the request that init_var will send at start-up, given the
    // settings file it will read: for sending it ahead while the window is being built.
    struct Request
    {
        QString url;
        QString body;
    };
    static Request startUpRequest(const QString &serviceBase, const QString &cfgPath);

    static QString failureNotice() { return QStringLiteral("软件初始化失败，请重新启动软件试试看！"); }
    static constexpr int kLinkCount = 12;

private:
    static void setConstants(AppState &state, const QString &serviceBase);
    static QString queryOf(const AppState &state);
    static QString readCode(const QString &cfgPath);
    void distribute(const QString &answer);
    void showPlatformLinks(const QString &pltlist);

    AppState &m_state;
    Controls &m_controls;
    tarel_tools::WebClient &m_web;
    tarel_tools::RegPlatforms &m_platforms;
    QString m_serviceBase;
};
