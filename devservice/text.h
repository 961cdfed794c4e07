#pragma once

#include <ctime>
#include <string>
#include <utility>
#include <vector>

// Byte and text helpers of the stand-in service. Everything inside the service is UTF-8;
// bytes in code page 936 appear only where the client sends or expects them.
namespace devservice {

using QueryItems = std::vector<std::pair<std::string, std::string>>;

// "%XX" to the byte XX and "+" to a blank. A "%" not followed by two hex digits stays as it is.
std::string percentDecode(const std::string &text);

// Splits "a=1&&b=2" into its pairs, percent-decoded; empty pieces (the client's "&&") are skipped.
// A leading "?" is ignored, since the client's form body starts with one.
QueryItems parseQuery(const std::string &query);

// The value of the first pair named key, or empty text.
std::string queryValue(const QueryItems &items, const std::string &key);

bool isValidUtf8(const std::string &bytes);

// The client encodes typed text in code page 936, a browser or Qt in UTF-8: valid UTF-8 is taken
// as it is, anything else is read as GBK. Short GBK texts are practically never valid UTF-8.
std::string wireToUtf8(const std::string &bytes);

// UTF-8 to GBK and back; a character or byte that cannot be converted becomes "?".
std::string utf8ToGbk(const std::string &utf8);
std::string gbkToUtf8(const std::string &gbk);

// A JSON string literal, quotes included, the way PHP's json_encode writes it: "/" as "\/",
// and, unless keepUnicode, every non-ASCII character as a \uXXXX escape.
std::string phpJsonString(const std::string &utf8, bool keepUnicode = false);

// A plain JSON string literal for the service's own test output: UTF-8 kept, bytes that are not
// valid UTF-8 written as \u00XX so the output always parses.
std::string jsonString(const std::string &bytes);

std::string htmlEscape(const std::string &text);

// RFC 1123 date in GMT, as an HTTP Date header carries it.
std::string httpDate(std::time_t when);

std::string trim(const std::string &text);

} // namespace devservice
