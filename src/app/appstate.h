#pragma once

#include <QString>
#include <QStringList>

class TrayNotifier;

namespace tarel_tools {
class PlanPage;
}

// The main window's shared state: one instance for the life of the program, owned by
// the window and handed by reference to the pieces that read and write it. The names
// are the ones the whole program uses.
struct AppState
{
    QString machine_mac;
    QString machine_hash;
    QString cfg_path;

    QString app_title;
    QString softinfo_title;
    QString app_version;
    QString app_build;
    QString service_base;
    QString soft_code;
    QString softinfo_url;
    QString online_url;
    QString plan_page_url;
    QStringList reg_link_codes;
    QString reg_platform_text;

    QString cur_account;
    QString cur_password;

    tarel_tools::PlanPage *web_ctl = nullptr;
    TrayNotifier *curTarelMsgTips = nullptr;

    // The network clock of the account session.
    QString clock_text;
    QString next_report_text;
    qint16 report_period = 0;

    // The version value sent with the login and the online report: v1.7|(20180330)|
    QString version_tag() const
    {
        return app_version + QStringLiteral("|(") + app_build + QStringLiteral(")|");
    }
};
