#pragma once

#include <string>
#include <string_view>

namespace quillon {

// Text is UTF-8 inside the program and UTF-16 at the ODBC wide-character calls. Broken sequences
// become U+FFFD rather than being dropped silently.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace quillon
