#include "faultboard.h"

#include <algorithm>
#include <array>

namespace devservice {

namespace {
const std::array<const char *, 6> targets = {"softinfo", "login", "online", "reg", "time", "plan"};
const std::array<const char *, 13> modes = {"none", "404",  "500",  "silent", "drop", "empty", "badjson",
                                            "gbk",  "huge", "kick", "text",   "date", "nodate"};

template <size_t N> bool contains(const std::array<const char *, N> &list, const std::string &value)
{
    return std::any_of(list.begin(), list.end(), [&](const char *item) { return value == item; });
}
} // namespace

bool FaultBoard::isTarget(const std::string &target)
{
    return contains(targets, target);
}

bool FaultBoard::isMode(const std::string &mode)
{
    return contains(modes, mode);
}

bool FaultBoard::isStatus(int status)
{
    return status >= 200 && status <= 599;
}

void FaultBoard::set(const std::string &target, const std::string &mode, const std::string &body, int times, int status)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (mode == "none") {
        m_faults.erase(target);
        return;
    }
    m_faults[target] = Entry{Fault{mode, body, status}, std::max(times, 0)};
}

void FaultBoard::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults.clear();
}

FaultBoard::Fault FaultBoard::take(const std::string &target)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_faults.find(target);
    if (it == m_faults.end())
        return {};
    Fault fault = it->second.fault;
    if (it->second.remaining > 0 && --it->second.remaining == 0)
        m_faults.erase(it);
    return fault;
}

} // namespace devservice
