#pragma once

#include <QString>

namespace zq {

struct AppConfig;
struct AppState;
struct SessionAccount;
struct SoftwareInformation;

// What the registration box sends, trimmed.
struct RegistrationForm
{
    QString account;
    QString password;
    QString platformValue;
    QString platformAccount;
    QString email;
};

// Every address the program sends to the service or opens in the default browser, built in
// one place from the build's hosts, the machine's identity and the software information.
// Values that the user typed or the service sent are encoded, so none can end its key early,
// add a key of its own or leave a "{" for a later placeholder to find.
class ServiceAddresses final
{
public:
    ServiceAddresses(const AppConfig &config, const AppState &machine, const SoftwareInformation &info)
        : m_config(config), m_machine(machine), m_info(info)
    {}
    Q_DISABLE_COPY_MOVE(ServiceAddresses)

    // The software-information endpoint, and its query text with the leading "?".
    static QString softwareInfo(const SoftwareInformation &info);
    static QString softwareInfoQuery(const SoftwareInformation &info);

    // The online-report template with its placeholders, kept in online_url.
    static QString onlineTemplate(const SoftwareInformation &info);
    // online_url filled in for the session's account, this machine and now.
    QString online(const SessionAccount &session) const;

    QString login(const QString &account, const QString &password) const;

    // The plan page from plan_page_url for the session's account.
    QString planPage(const SessionAccount &session) const;

    QString registration(const RegistrationForm &form) const;

    // The registration site's page for the platform link at `index`; an index without a code
    // gives an empty g value.
    QString platformLink(int index) const;

    QString downloadPage() const;

private:
    const AppConfig &m_config;
    const AppState &m_machine;
    const SoftwareInformation &m_info;
};

} // namespace zq
