#pragma once

#include <QString>

namespace Md5_Calc {

// MD5 of the text's code page 936 bytes, as 32 uppercase hexadecimal digits.
// The service identifies machines by this exact form.
QString md5Hex(const QString &text);

} // namespace Md5_Calc
