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
    };

    RequestLog() = default;
    RequestLog(const RequestLog &) = delete;
    RequestLog &operator=(const RequestLog &) = delete;

    void add(Entry entry);
    void clear();

    // One JSON object a line: {"method","path","query","body","headers"}.
    std::string toJsonLines() const;

private:
    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
};

} // namespace devservice
