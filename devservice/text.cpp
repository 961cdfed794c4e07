#include "text.h"

#include <cerrno>
#include <cstdio>
#include <iconv.h>

namespace devservice {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Length of the valid UTF-8 sequence at bytes[i], or 0 when none starts there.
size_t utf8SequenceLength(const std::string &bytes, size_t i, char32_t *codePoint)
{
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    size_t length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (b0 < 0x80) {
        *codePoint = b0;
        return 1;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        cp = b0 & 0x1F;
        minimum = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        cp = b0 & 0x0F;
        minimum = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        cp = b0 & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(bytes[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    *codePoint = cp;
    return length;
}

std::string convert(const char *from, const char *to, const std::string &input)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return input;
    std::string out;
    out.reserve(input.size() * 2);
    char *in = const_cast<char *>(input.data());
    size_t inLeft = input.size();
    char buffer[4096];
    while (inLeft > 0) {
        char *outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (rc != static_cast<size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // EILSEQ or EINVAL: a byte that cannot be converted. Mark it and go on, so a stray byte
        // never swallows the rest of the text.
        out.push_back('?');
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    char *outPtr = buffer;
    size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    iconv_close(cd);
    return out;
}

void appendUnicodeEscape(std::string &out, unsigned value)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04x", value);
    out += buf;
}

} // namespace

std::string percentDecode(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            out.push_back(' ');
        } else if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
            i += 2;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

QueryItems parseQuery(const std::string &query)
{
    QueryItems items;
    size_t start = (!query.empty() && query[0] == '?') ? 1 : 0;
    while (start <= query.size()) {
        size_t end = query.find('&', start);
        if (end == std::string::npos)
            end = query.size();
        const std::string piece = query.substr(start, end - start);
        if (!piece.empty()) {
            const size_t eq = piece.find('=');
            if (eq == std::string::npos)
                items.emplace_back(percentDecode(piece), std::string());
            else
                items.emplace_back(percentDecode(piece.substr(0, eq)), percentDecode(piece.substr(eq + 1)));
        }
        start = end + 1;
    }
    return items;
}

std::string queryValue(const QueryItems &items, const std::string &key)
{
    for (const auto &item : items) {
        if (item.first == key)
            return item.second;
    }
    return {};
}

bool isValidUtf8(const std::string &bytes)
{
    char32_t cp = 0;
    for (size_t i = 0; i < bytes.size();) {
        const size_t n = utf8SequenceLength(bytes, i, &cp);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

std::string wireToUtf8(const std::string &bytes)
{
    return isValidUtf8(bytes) ? bytes : gbkToUtf8(bytes);
}

std::string utf8ToGbk(const std::string &utf8)
{
    return convert("UTF-8", "CP936", utf8);
}

std::string gbkToUtf8(const std::string &gbk)
{
    return convert("CP936", "UTF-8", gbk);
}

std::string phpJsonString(const std::string &utf8, bool keepUnicode)
{
    std::string out = "\"";
    char32_t cp = 0;
    for (size_t i = 0; i < utf8.size();) {
        const size_t n = utf8SequenceLength(utf8, i, &cp);
        if (n == 0) {
            // json_encode refuses invalid UTF-8; the service only feeds it its own texts, so a
            // replacement character is enough.
            appendUnicodeEscape(out, 0xFFFD);
            ++i;
            continue;
        }
        switch (cp) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '/':
            out += "\\/";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (cp < 0x20) {
                appendUnicodeEscape(out, cp);
            } else if (cp < 0x80 || keepUnicode) {
                out.append(utf8, i, n);
            } else if (cp < 0x10000) {
                appendUnicodeEscape(out, cp);
            } else {
                const char32_t v = cp - 0x10000;
                appendUnicodeEscape(out, 0xD800 + (v >> 10));
                appendUnicodeEscape(out, 0xDC00 + (v & 0x3FF));
            }
        }
        i += n;
    }
    out += '"';
    return out;
}

std::string jsonString(const std::string &bytes)
{
    std::string out = "\"";
    char32_t cp = 0;
    for (size_t i = 0; i < bytes.size();) {
        const size_t n = utf8SequenceLength(bytes, i, &cp);
        if (n == 0) {
            appendUnicodeEscape(out, static_cast<unsigned char>(bytes[i]));
            ++i;
            continue;
        }
        switch (cp) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (cp < 0x20 || cp == 0x7F)
                appendUnicodeEscape(out, cp);
            else
                out.append(bytes, i, n);
        }
        i += n;
    }
    out += '"';
    return out;
}

std::string htmlEscape(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

std::string httpDate(std::time_t when)
{
    // Names written out rather than taken from strftime, which would follow the locale.
    static const char *const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char *const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm tm{};
    gmtime_r(&when, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d GMT", days[tm.tm_wday], tm.tm_mday,
                  months[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

std::string trim(const std::string &text)
{
    const char *blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    const size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

} // namespace devservice
