#include "os/text.h"
#include "os/wide_win.h"

#include <cwctype>
#include <vector>
#include <windows.h>

namespace lumen::os {
namespace {
UINT fileCodePage() {
    return AreFileApisANSI() ? CP_ACP : CP_OEMCP;
}
} // namespace

std::u16string wideFromNarrow(const std::string& text) {
    if (text.empty()) return std::u16string();
    const int size = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(fileCodePage(), 0, text.data(), size, nullptr, 0);
    if (units <= 0) return std::u16string();
    std::vector<wchar_t> buffer(static_cast<size_t>(units));
    MultiByteToWideChar(fileCodePage(), 0, text.data(), size, buffer.data(), units);
    return std::u16string(buffer.begin(), buffer.end());
}

std::string narrowFromWide(const std::u16string& text, bool* lossless) {
    if (lossless != nullptr) *lossless = true;
    if (text.empty()) return std::string();
    const wchar_t* wide = wideChars(text);
    const int size = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    const int bytes =
        WideCharToMultiByte(fileCodePage(), 0, wide, size, nullptr, 0, "?", &usedDefault);
    if (bytes <= 0) {
        if (lossless != nullptr) *lossless = false;
        return std::string();
    }
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(fileCodePage(), 0, wide, size, &out[0], bytes, "?", &usedDefault);
    if (lossless != nullptr) *lossless = !usedDefault;
    return out;
}

std::u16string wideFromAnsi(const std::string& text) {
    if (text.empty()) return std::u16string();
    const int size = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    if (units <= 0) return std::u16string();
    std::vector<wchar_t> buffer(static_cast<size_t>(units));
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, buffer.data(), units);
    return std::u16string(buffer.begin(), buffer.end());
}

std::string ansiFromWide(const std::u16string& text) {
    if (text.empty()) return std::string();
    const wchar_t* wide = wideChars(text);
    const int size = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, size, nullptr, 0, "?", nullptr);
    if (bytes <= 0) return std::string();
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, size, &out[0], bytes, "?", nullptr);
    return out;
}

void lowerCaseWide(std::u16string& text) {
    for (char16_t& unit : text)
        unit = static_cast<char16_t>(std::towlower(unit));
}

} // namespace lumen::os
