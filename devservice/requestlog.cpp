#include "requestlog.h"

#include "text.h"

namespace devservice {

void RequestLog::add(Entry entry)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.push_back(std::move(entry));
}

void RequestLog::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.clear();
}

std::string RequestLog::toJsonLines() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::string out;
    for (const Entry &e : m_entries) {
        out += "{\"method\":" + jsonString(e.method) + ",\"path\":" + jsonString(e.path) +
               ",\"query\":" + jsonString(e.query) + ",\"body\":" + jsonString(e.body) + ",\"headers\":{";
        bool first = true;
        for (const auto &header : e.headers) {
            if (!first)
                out += ',';
            first = false;
            out += jsonString(header.first) + ':' + jsonString(header.second);
        }
        out += "}}\n";
    }
    return out;
}

} // namespace devservice
