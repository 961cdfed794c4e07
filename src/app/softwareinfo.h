#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

namespace zq {

struct AppConfig;

class WebClient;

// What the program says of itself to the service, and what the service's software information
// brought, each field named after what it holds (planPageUrl: the plan page's address, which
// the answer calls shop_url).
struct SoftwareInformation
{
    // Set anew at the start of every refresh.
    QString appTitle;
    QString softinfoTitle;
    QString appVersion;
    QString appBuild;
    QString serviceBase;
    QString softCode;
    QString softinfoUrl;

    // From the last answer; empty until one came.
    QString onlineUrl;       // the online report's template
    QString planPageUrl;     // shop_url, also when empty
    QString regPlatformText; // new_ver_desc, also when empty: the registration platform table
    // From the last answer that had them: the link panel and the notice line keep them until an
    // answer brings others.
    QStringList regLinkCodes;  // reg_url
    QStringList platformNames; // pltlist
    QString announcement;      // annouce
    QString contact;

    // The version value sent with the login and the online report: v1.7|(20180330)|
    QString versionTag() const { return appVersion + QStringLiteral("|(") + appBuild + QStringLiteral(")|"); }
};

// The program's identity and service settings, and the software information
// that the service sends at start-up, after every online report and after a login that found
// no plan-page address. It owns what they are and hands them out; the window shows them.
class SoftwareInfo final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SoftwareInfo)

public:
    SoftwareInfo(const AppConfig &config, WebClient &web, QObject *parent = nullptr);

    const SoftwareInformation &value() const { return m_value; }

    // Sets the constants and asks the service, once more when the first answer is empty.
    // Returns at once; refreshed() says how it ended. Asked for while a refresh is under way,
    // it is that refresh: nothing more is sent.
    void refresh();
    bool refreshing() const { return m_try != Try::None; }

    // The address and body of the request that refresh sends at start-up: the program sends it
    // ahead while the window is being built.
    struct Request
    {
        QString url;
        QString body;
    };
    static Request startUpRequest(const AppConfig &config);

    static QString failureNotice() { return QStringLiteral("软件初始化失败，请重新启动软件试试看！"); }

Q_SIGNALS:
    // A refresh ended: the service answered (value() holds what it brought), or gave nothing
    // in two tries (value() holds what the last good answer brought).
    void refreshed(bool answered);

private:
    enum class Try
    {
        None,
        First,
        Second,
    };

    static void setConstants(SoftwareInformation &value, const AppConfig &config);
    void send();
    void answered(const QString &answer);
    void distribute(const QString &answer);

    const AppConfig &m_config;
    WebClient &m_web;
    SoftwareInformation m_value;
    Try m_try = Try::None;
};

} // namespace zq
