#pragma once

#include <QString>
#include <QStringList>

namespace zq {

class PlanPage;
class TrayNotifier;

// The main window's shared state: one instance for the life of the program, owned by
// the window and handed by reference to the pieces that read and write it. Each field is
// the one of the same name in snake case in the issues (clockText is clock_text).
struct AppState
{
    QString machineMac;
    QString machineHash;
    QString cfgPath;

    QString appTitle;
    QString softinfoTitle;
    QString appVersion;
    QString appBuild;
    QString serviceBase;
    QString softCode;
    QString softinfoUrl;
    QString onlineUrl;
    QString planPageUrl;
    QStringList regLinkCodes;
    QString regPlatformText;

    QString curAccount;
    QString curPassword;

    PlanPage *webCtl = nullptr;
    TrayNotifier *trayNotifier = nullptr;

    // The network clock of the account session.
    QString clockText;
    QString nextReportText;
    qint16 reportPeriod = 0;

    // The version value sent with the login and the online report: v1.7|(20180330)|
    QString versionTag() const { return appVersion + QStringLiteral("|(") + appBuild + QStringLiteral(")|"); }
};

} // namespace zq
