#include "requestlog.h"

#include "text.h"

#include <chrono>

namespace devservice {

void RequestLog::add(Entry entry)
{
    entry.atMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.push_back(std::move(entry));
}

void RequestLog::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.clear();
}

std::string RequestLog::toJsonLines(size_t from) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::string out;
    for (size_t i = from; i < m_entries.size(); ++i) {
        const Entry &e = m_entries[i];
        out += "{\"method\":" + jsonString(e.method) + ",\"path\":" + jsonString(e.path) +
               ",\"query\":" + jsonString(e.query) + ",\"body\":" + jsonString(e.body) + ",\"headers\":{";
        bool first = true;
        for (const auto &header : e.headers) {
            if (!first)
                out += ',';
            first = false;
            out += jsonString(header.first) + ':' + jsonString(header.second);
        }
        out += "},\"at\":" + std::to_string(e.atMs) + "}\n";
    }
    return out;
}

} // namespace devservice
