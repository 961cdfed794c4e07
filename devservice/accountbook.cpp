#include "accountbook.h"

#include "text.h"

namespace devservice {

// Refusals must never hold the two letters the client takes for success.
namespace answers {
const char *const LoginIncomplete = "请输入账号和密码。[br]账号和密码都不能为空。";
const char *const LoginWrong = "账号或密码错误。[br]请检查后重新输入。";
const char *const RegIncomplete = "注册信息不完整。[br]请填写账号、密码、彩票平台、平台账号和邮箱。";
const char *const RegDuplicate = "该账号已被注册。[br]请换一个账号名再试。";
} // namespace answers

AccountBook::AccountBook()
{
    reset();
}

void AccountBook::reset()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_accounts.clear();
    Account demo;
    demo.data.account = DemoAccount;
    demo.data.password = DemoPassword;
    demo.data.platform = "101";
    demo.data.platformAccount = "demo";
    demo.data.email = "demo@example.com";
    m_accounts.emplace(demo.data.account, demo);
}

std::string AccountBook::login(const std::string &account, const std::string &password, const std::string &hash)
{
    if (account.empty() || password.empty())
        return answers::LoginIncomplete;
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_accounts.find(account);
    if (it == m_accounts.end() || it->second.data.password != password)
        return answers::LoginWrong;
    it->second.currentHash = hash;
    return "ok|" + account + "|登录成功";
}

std::string AccountBook::online(const std::string &account, const std::string &hash) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_accounts.find(account);
    if (it != m_accounts.end() && !it->second.currentHash.empty() && it->second.currentHash != hash)
        return "kick";
    return "online ok";
}

std::string AccountBook::registerAccount(const Registration &data)
{
    if (data.account.empty() || data.password.empty() || data.platform.empty() || data.platformAccount.empty() ||
        data.email.empty())
        return answers::RegIncomplete;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_accounts.count(data.account) != 0)
        return answers::RegDuplicate;
    Account account;
    account.data = data;
    m_accounts.emplace(data.account, account);
    return "ok";
}

std::string AccountBook::toJson() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::string out = "[";
    bool first = true;
    for (const auto &entry : m_accounts) {
        const Account &a = entry.second;
        if (!first)
            out += ",\n";
        first = false;
        out += "{\"account\":" + jsonString(a.data.account) + ",\"password\":" + jsonString(a.data.password) +
               ",\"pt\":" + jsonString(a.data.platform) + ",\"s\":" + jsonString(a.data.platformAccount) +
               ",\"email\":" + jsonString(a.data.email) + ",\"mac\":" + jsonString(a.data.mac) +
               ",\"regHash\":" + jsonString(a.data.hash) + ",\"hash\":" + jsonString(a.currentHash) + "}";
    }
    out += "]\n";
    return out;
}

} // namespace devservice
