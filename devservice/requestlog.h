#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace devservice {

// What the service received, in order of arrival, for tests to read back.
class RequestLog final
{
public:
    struct Entry
    {
        std::string method;
        std::string path;  // as sent, before any decoding ("//spcenter/..." stays so)
        std::string query; // raw, without the "?"
        std::string body;  // raw
        std::vector<std::pair<std::string, std::string>> headers;
        long long atMs = 0; // arrival, milliseconds since 1970 (set by add)
    };

    RequestLog() = default;
    RequestLog(const RequestLog &) = delete;
    RequestLog &operator=(const RequestLog &) = delete;

    void add(Entry entry);
    void clear();

    // One JSON object a line: {"method","path","query","body","headers","at"}, from the
    // entry numbered `from` (0: the first) on, so that a long run can read only what is new.
    std::string toJsonLines(size_t from = 0) const;

private:
    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
};

} // namespace devservice
