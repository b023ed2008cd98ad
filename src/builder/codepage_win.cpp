#include <windows.h>

#include "builder/codepage.h"

namespace lumen::builder {

// One code point at a time, so that the first one the code page lacks is
// known; best-fit replacements ("a" for "ä") would hide it.
Encoding encodeInCodePage(const std::u32string& text, const CodePage& codePage, std::string& out,
                          size_t& failedAt) {
    CPINFO info;
    if (GetCPInfo(codePage.number, &info) == 0) return Encoding::Unavailable;
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t units[2];
        int count = 1;
        if (text[i] < 0x10000) {
            units[0] = static_cast<wchar_t>(text[i]);
        } else {
            units[0] = static_cast<wchar_t>(0xD800 + ((text[i] - 0x10000) >> 10));
            units[1] = static_cast<wchar_t>(0xDC00 + ((text[i] - 0x10000) & 0x3FF));
            count = 2;
        }
        char bytes[8];
        BOOL usedDefault = FALSE;
        const int written = WideCharToMultiByte(codePage.number, WC_NO_BEST_FIT_CHARS, units, count,
                                                bytes, sizeof bytes, nullptr, &usedDefault);
        if (written <= 0 || usedDefault) {
            failedAt = i;
            return Encoding::Unencodable;
        }
        out.append(bytes, static_cast<size_t>(written));
    }
    return Encoding::Done;
}

} // namespace lumen::builder
