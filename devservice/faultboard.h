#pragma once

#include <map>
#include <mutex>
#include <string>

namespace devservice {

// The misbehaviour switched on for each target (softinfo, login, online, reg, time, plan).
class FaultBoard final
{
public:
    struct Fault
    {
        std::string mode; // empty: behave normally
        std::string body; // for "text" and "date"
        int status = 200; // for "text"
    };

    FaultBoard() = default;
    FaultBoard(const FaultBoard &) = delete;
    FaultBoard &operator=(const FaultBoard &) = delete;

    static bool isTarget(const std::string &target);
    static bool isMode(const std::string &mode);

    // A status for mode "text": 200 to 599, as a web server sends them.
    static bool isStatus(int status);

    // times 0 keeps the fault until it is cleared; otherwise it serves that many requests and
    // then clears itself. Mode "none" clears the target.
    void set(const std::string &target, const std::string &mode, const std::string &body, int times, int status = 200);
    void clear();

    // The fault for one request of target, counting it against its remaining uses.
    Fault take(const std::string &target);

private:
    struct Entry
    {
        Fault fault;
        int remaining = 0; // 0: unlimited
    };

    std::mutex m_mutex;
    std::map<std::string, Entry> m_faults;
};

} // namespace devservice
