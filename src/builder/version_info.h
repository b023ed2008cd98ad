// The version information resource (RT_VERSION): what Explorer's
// properties show and GetFileVersionInfo returns.
//
// Contract: parseVersionNumber() takes one to four whole numbers of 0 to
// 65535 separated by dots ("1.2" is 1.2.0.0) and refuses anything else with
// a message. encodeVersionInfo() writes a VS_VERSIONINFO block: the fixed
// part with both versions (a Windows application, flags 0), one string
// table for US English in UTF-16 (040904B0) holding the given strings in
// their order, and the matching translation entry. Every block and value
// starts on a 32-bit boundary, as VerQueryValue expects.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace lumen::builder {

using VersionNumber = std::array<uint16_t, 4>;

[[nodiscard]] bool parseVersionNumber(const std::string& text, VersionNumber& out,
                                      std::string& error);
std::string versionText(const VersionNumber& version); // "1.2.0.0"

struct VersionInfo {
    VersionNumber fileVersion{1, 0, 0, 0};
    VersionNumber productVersion{1, 0, 0, 0};
    std::vector<std::pair<std::u16string, std::u16string>> strings; // key, value
};

std::string encodeVersionInfo(const VersionInfo& info);

} // namespace lumen::builder
