#pragma once

#include <QString>

namespace zq {

// MD5 of the text's code page 936 bytes, as 32 uppercase hexadecimal digits.
// The service identifies machines by this exact form.
QString md5Hex(const QString &text);

} // namespace zq
