#pragma once

#include <map>
#include <mutex>
#include <string>

namespace devservice {

// The service's accounts, in memory only. Texts are UTF-8; the requests have been decoded
// before they reach here. Safe to use from the server's worker threads.
class AccountBook final
{
public:
    static constexpr const char *DemoAccount = "demo";
    static constexpr const char *DemoPassword = "demo123";

    struct Registration
    {
        std::string account;
        std::string password;
        std::string platform;
        std::string platformAccount;
        std::string email;
        std::string mac;
        std::string hash;
    };

    AccountBook();
    AccountBook(const AccountBook &) = delete;
    AccountBook &operator=(const AccountBook &) = delete;

    // Back to the demo account alone.
    void reset();

    // The answer of the login action. A good login makes hash the account's current machine.
    std::string login(const std::string &account, const std::string &password, const std::string &hash);

    // The answer of the online report: "kick" when the account has since logged in from
    // another machine than the one the report names.
    std::string online(const std::string &account, const std::string &hash) const;

    // The answer of the registration action.
    std::string registerAccount(const Registration &data);

    // Every account as a JSON array, for tests.
    std::string toJson() const;

private:
    struct Account
    {
        Registration data;
        std::string currentHash; // machine of the last good login; empty before any
    };

    mutable std::mutex m_mutex;
    std::map<std::string, Account> m_accounts;
};

} // namespace devservice
