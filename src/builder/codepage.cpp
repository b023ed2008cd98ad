#include "builder/codepage.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace lumen::builder {
namespace {

constexpr unsigned kUtf8 = 65001;

struct NamedCodePage {
    const char* name;
    CodePage codePage;
};

// Windows code pages are also found as "cpNNN" and "windows-NNN".
const NamedCodePage kCodePages[] = {
    {"windows-1250", {1250, "CP1250"}},
    {"windows-1251", {1251, "CP1251"}},
    {"windows-1252", {1252, "CP1252"}},
    {"windows-1253", {1253, "CP1253"}},
    {"windows-1254", {1254, "CP1254"}},
    {"windows-1255", {1255, "CP1255"}},
    {"windows-1256", {1256, "CP1256"}},
    {"windows-1257", {1257, "CP1257"}},
    {"windows-1258", {1258, "CP1258"}},
    {"windows-874", {874, "CP874"}},
    {"shift_jis", {932, "CP932"}},
    {"gbk", {936, "CP936"}},
    {"ks_c_5601-1987", {949, "CP949"}},
    {"big5", {950, "CP950"}},
    {"ibm437", {437, "CP437"}},
    {"ibm850", {850, "CP850"}},
    {"ibm852", {852, "CP852"}},
    {"cp866", {866, "CP866"}},
    {"iso-8859-1", {28591, "ISO-8859-1"}},
    {"iso-8859-2", {28592, "ISO-8859-2"}},
    {"iso-8859-5", {28595, "ISO-8859-5"}},
    {"iso-8859-7", {28597, "ISO-8859-7"}},
    {"iso-8859-9", {28599, "ISO-8859-9"}},
    {"iso-8859-15", {28605, "ISO-8859-15"}},
    {"koi8-r", {20866, "KOI8-R"}},
    {"koi8-u", {21866, "KOI8-U"}},
    {"us-ascii", {20127, "US-ASCII"}},
    {"utf-8", {kUtf8, "UTF-8"}},
};

const CodePage* findCodePage(const std::string& name) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    unsigned number = 0;
    for (const char* prefix : {"windows-", "cp"}) {
        const std::string p(prefix);
        if (lower.size() > p.size() && lower.compare(0, p.size(), p) == 0 &&
            lower.find_first_not_of("0123456789", p.size()) == std::string::npos &&
            lower.size() - p.size() <= 5)
            number = static_cast<unsigned>(std::stoul(lower.substr(p.size())));
    }
    for (const NamedCodePage& entry : kCodePages)
        if (lower == entry.name || (number != 0 && number == entry.codePage.number))
            return &entry.codePage;
    return nullptr;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
// offsets receives where each code point began.
bool decodeUtf8(const std::string& utf8, std::u32string& out, std::vector<size_t>* offsets) {
    out.clear();
    for (size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const int length = lead < 0x80                   ? 1
                           : lead >= 0xC2 && lead < 0xE0 ? 2
                           : lead >= 0xE0 && lead < 0xF0 ? 3
                           : lead >= 0xF0 && lead < 0xF5 ? 4
                                                         : 0;
        if (length == 0 || utf8.size() - i < static_cast<size_t>(length)) return false;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            c = (c << 6) | (next & 0x3F);
        }
        const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < smallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        if (offsets != nullptr) offsets->push_back(i);
        out.push_back(c);
        i += static_cast<size_t>(length);
    }
    return true;
}

} // namespace

bool toCodePage(const std::string& utf8, const std::string& codePage, std::string& out,
                std::string& error) {
    const CodePage* target = findCodePage(codePage);
    if (target == nullptr) {
        error = "unknown code page '" + codePage + "'";
        return false;
    }
    std::u32string text;
    std::vector<size_t> offsets;
    if (!decodeUtf8(utf8, text, &offsets)) {
        error = "the text is not valid UTF-8";
        return false;
    }
    if (target->number == kUtf8) {
        out = utf8;
        return true;
    }
    size_t failedAt = 0;
    switch (encodeInCodePage(text, *target, out, failedAt)) {
    case Encoding::Done:
        return true;
    case Encoding::Unencodable:
        error = "the text cannot be written in " + codePage + " (at byte " +
                std::to_string(offsets[failedAt]) + ")";
        return false;
    case Encoding::Unavailable:
        break;
    }
    error = "code page '" + codePage + "' is not available on this system";
    return false;
}

bool toUtf16(const std::string& utf8, std::u16string& out) {
    std::u32string text;
    if (!decodeUtf8(utf8, text, nullptr)) return false;
    out.clear();
    for (char32_t c : text) {
        if (c < 0x10000) {
            out.push_back(static_cast<char16_t>(c));
        } else {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
    }
    return true;
}

} // namespace lumen::builder
