#include <cerrno>
#include <iconv.h>
#include <vector>

#include "builder/codepage.h"

namespace lumen::builder {

Encoding encodeInCodePage(const std::u32string& text, const CodePage& codePage, std::string& out,
                          size_t& failedAt) {
    iconv_t converter = iconv_open(codePage.iconvName, "UTF-32LE");
    if (converter == reinterpret_cast<iconv_t>(-1)) return Encoding::Unavailable;
    std::vector<char> in;
    for (char32_t c : text)
        for (int i = 0; i < 4; ++i)
            in.push_back(static_cast<char>((c >> (8 * i)) & 0xFF));
    std::vector<char> buffer(text.size() * 4 + 16);
    char* inPointer = in.data();
    size_t inLeft = in.size();
    char* outPointer = buffer.data();
    size_t outLeft = buffer.size();
    const size_t result = iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft);
    iconv_close(converter);
    if (result == static_cast<size_t>(-1)) {
        failedAt = (in.size() - inLeft) / 4;
        return Encoding::Unencodable;
    }
    out.assign(buffer.data(), buffer.size() - outLeft);
    return Encoding::Done;
}

} // namespace lumen::builder
