#pragma once

#include <QString>

namespace zq {

struct AppConfig;
struct AppState;

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
// one place from the build's hosts and the window's state. Values that the user typed or
// the service sent are encoded, so none can end its key early, add a key of its own or leave
// a "{" for a later placeholder to find.
class ServiceAddresses final
{
public:
    ServiceAddresses(const AppConfig &config, const AppState &state) : m_config(config), m_state(state) {}
    Q_DISABLE_COPY_MOVE(ServiceAddresses)

    // The software-information endpoint, and its query text with the leading "?".
    QString softwareInfo() const;
    QString softwareInfoQuery() const;

    // The online-report template with its placeholders, kept in online_url.
    QString onlineTemplate() const;
    // online_url filled in for the signed-in account, this machine and now.
    QString online() const;

    QString login(const QString &account, const QString &password) const;

    // The plan page from plan_page_url for the current account.
    QString planPage() const;

    QString registration(const RegistrationForm &form) const;

    // The registration site's page for the platform link at `index`; an index without a code
    // gives an empty g value.
    QString platformLink(int index) const;

    QString downloadPage() const;

private:
    const AppConfig &m_config;
    const AppState &m_state;
};

} // namespace zq
