#include "core/text_format.h"

#include <cmath>
#include <cstdio>

namespace lumen {
namespace {

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

std::u16string formatNumber(double value, int precision) {
    if (!std::isfinite(value)) {
        value = 0.0;
    }
    char buffer[512];
    int length = std::snprintf(buffer, sizeof buffer, "%.*f", precision, value);
    std::u16string text;
    if (length <= 0) {
        return text;
    }
    size_t used = static_cast<size_t>(length) < sizeof buffer ? static_cast<size_t>(length)
                                                              : sizeof buffer - 1;
    for (size_t i = 0; i < used; ++i) {
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(buffer[i])));
    }
    return text;
}

} // namespace

std::u16string formatConfiguredText(std::u16string_view format,
                                    const std::vector<FormatArgument>& arguments) {
    std::u16string out;
    size_t next = 0;
    size_t i = 0;
    while (i < format.size()) {
        char16_t c = format[i];
        if (c != u'%' || i + 1 >= format.size()) {
            out.push_back(c);
            ++i;
            continue;
        }
        char16_t kind = format[i + 1];
        if (kind == u'%') {
            out.push_back(u'%');
            i += 2;
            continue;
        }
        if (kind == u'S' || kind == u's') {
            if (next < arguments.size() &&
                std::holds_alternative<std::u16string>(arguments[next])) {
                out += std::get<std::u16string>(arguments[next++]);
                i += 2;
                continue;
            }
        } else if (kind == u'.') {
            // "%.Nf" with one or two precision digits.
            size_t j = i + 2;
            int precision = 0;
            size_t digits = 0;
            while (j < format.size() && isDigit(format[j]) && digits < 2) {
                precision = precision * 10 + (format[j] - u'0');
                ++j;
                ++digits;
            }
            if (digits > 0 && j < format.size() && format[j] == u'f' && next < arguments.size() &&
                std::holds_alternative<double>(arguments[next])) {
                out += formatNumber(std::get<double>(arguments[next++]), precision);
                i = j + 1;
                continue;
            }
        }
        out.push_back(c);
        ++i;
    }
    return out;
}

} // namespace lumen
