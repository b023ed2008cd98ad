#include "builder/codepage.h"

#include <cerrno>
#include <iconv.h>
#include <vector>

namespace lumen::builder {
namespace {

bool convert(const std::string& input, const char* from, const char* to, std::string& out,
             std::string& error) {
    iconv_t converter = iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        error = std::string("unknown code page '") + to + "'";
        return false;
    }
    std::vector<char> in(input.begin(), input.end());
    std::vector<char> buffer(input.size() * 4 + 16);
    char* inPointer = in.data();
    size_t inLeft = in.size();
    char* outPointer = buffer.data();
    size_t outLeft = buffer.size();
    const size_t result = iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft);
    const int reason = errno;
    iconv_close(converter);
    if (result == static_cast<size_t>(-1)) {
        const size_t at = in.size() - inLeft;
        error = reason == EILSEQ ? "the text cannot be written in " + std::string(to) +
                                       " (at byte " + std::to_string(at) + ")"
                                 : "the text is not valid UTF-8";
        return false;
    }
    out.assign(buffer.data(), buffer.size() - outLeft);
    return true;
}

} // namespace

bool toCodePage(const std::string& utf8, const std::string& codePage, std::string& out,
                std::string& error) {
    return convert(utf8, "UTF-8", codePage.c_str(), out, error);
}

bool toUtf16(const std::string& utf8, std::u16string& out) {
    std::string bytes, error;
    if (!convert(utf8, "UTF-8", "UTF-16LE", bytes, error)) return false;
    out.resize(bytes.size() / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    return true;
}

} // namespace lumen::builder
