// UTF-8 and UTF-16 at the Win32 boundary of lumen-build.exe.
#pragma once

#include <string>

namespace lumen::builder {

std::string utf8FromWide(const std::wstring& wide);
std::wstring wideFromUtf8(const std::string& utf8);

} // namespace lumen::builder
