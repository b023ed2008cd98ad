#include "builder/version_info.h"

#include "core/bytes.h"

namespace lumen::builder {
namespace {

constexpr uint32_t kFixedSignature = 0xFEEF04BD;
constexpr uint32_t kFixedStructVersion = 0x00010000;
constexpr uint32_t kFlagsMask = 0x3F;         // VS_FFI_FILEFLAGSMASK
constexpr uint32_t kOsWindowsNt = 0x00040004; // VOS_NT_WINDOWS32
constexpr uint32_t kFileTypeApplication = 1;  // VFT_APP
constexpr uint16_t kTextValue = 1;
constexpr uint16_t kBinaryValue = 0;
constexpr uint16_t kLanguage = 0x0409; // US English
constexpr uint16_t kCodePage = 1200;   // UTF-16
const char16_t kStringTableKey[] = u"040904B0";

void appendText(std::string& out, const std::u16string& text) {
    for (char16_t c : text)
        appendLe16(out, static_cast<uint16_t>(c));
    appendLe16(out, 0);
}

void padTo32(std::string& out) {
    while (out.size() % 4 != 0)
        out.push_back('\0');
}

// One node: wLength, wValueLength, wType, the key, the value, then the
// children, each on a 32-bit boundary. wLength covers everything but the
// padding behind the last piece.
std::string node(const std::u16string& key, uint16_t type, const std::string& value,
                 uint16_t valueLength, const std::vector<std::string>& children) {
    std::string out(6, '\0');
    appendText(out, key);
    if (!value.empty()) {
        padTo32(out);
        out += value;
    }
    for (const std::string& child : children) {
        padTo32(out);
        out += child;
    }
    out[0] = static_cast<char>(out.size() & 0xFF);
    out[1] = static_cast<char>(out.size() >> 8);
    out[2] = static_cast<char>(valueLength & 0xFF);
    out[3] = static_cast<char>(valueLength >> 8);
    out[4] = static_cast<char>(type);
    out[5] = '\0';
    return out;
}

uint32_t high(const VersionNumber& v) {
    return (uint32_t{v[0]} << 16) | v[1];
}
uint32_t low(const VersionNumber& v) {
    return (uint32_t{v[2]} << 16) | v[3];
}

} // namespace

bool parseVersionNumber(const std::string& text, VersionNumber& out, std::string& error) {
    out = {0, 0, 0, 0};
    size_t part = 0;
    size_t at = 0;
    while (true) {
        const size_t dot = text.find('.', at);
        const std::string piece = text.substr(at, dot == std::string::npos ? dot : dot - at);
        if (part == 4) {
            error = "'" + text + "' has more than four parts";
            return false;
        }
        if (piece.empty() || piece.size() > 5 ||
            piece.find_first_not_of("0123456789") != std::string::npos ||
            std::stoul(piece) > 65535) {
            error = "'" + text + "' is not a version: expected up to four whole numbers of 0 to " +
                    "65535 separated by dots";
            return false;
        }
        out[part++] = static_cast<uint16_t>(std::stoul(piece));
        if (dot == std::string::npos) return true;
        at = dot + 1;
    }
}

std::string versionText(const VersionNumber& version) {
    return std::to_string(version[0]) + "." + std::to_string(version[1]) + "." +
           std::to_string(version[2]) + "." + std::to_string(version[3]);
}

std::string encodeVersionInfo(const VersionInfo& info) {
    std::string fixed;
    for (uint32_t field :
         {kFixedSignature, kFixedStructVersion, high(info.fileVersion), low(info.fileVersion),
          high(info.productVersion), low(info.productVersion), kFlagsMask, 0u, kOsWindowsNt,
          kFileTypeApplication, 0u, 0u, 0u})
        appendLe32(fixed, field);

    std::vector<std::string> strings;
    for (const auto& [key, value] : info.strings) {
        std::string text;
        appendText(text, value);
        // The value's length counts UTF-16 units with the terminator.
        strings.push_back(node(key, kTextValue, text, static_cast<uint16_t>(value.size() + 1), {}));
    }
    const std::string table = node(kStringTableKey, kTextValue, "", 0, strings);
    const std::string stringInfo = node(u"StringFileInfo", kTextValue, "", 0, {table});

    std::string translation;
    appendLe16(translation, kLanguage);
    appendLe16(translation, kCodePage);
    const std::string var = node(u"Translation", kBinaryValue, translation, 4, {});
    const std::string varInfo = node(u"VarFileInfo", kTextValue, "", 0, {var});

    return node(u"VS_VERSION_INFO", kBinaryValue, fixed, static_cast<uint16_t>(fixed.size()),
                {stringInfo, varInfo});
}

} // namespace lumen::builder
