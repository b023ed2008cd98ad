// UTF-8 texts of a description into the launcher's 8-bit code page and
// UTF-16.
#pragma once

#include <string>

namespace lumen::builder {

// Converts UTF-8 into the named code page (an iconv name such as
// "windows-1252"); false when the code page is unknown (error set) or a
// character cannot be carried (error names it).
bool toCodePage(const std::string& utf8, const std::string& codePage, std::string& out,
                std::string& error);
bool toUtf16(const std::string& utf8, std::u16string& out);

} // namespace lumen::builder
