#include "core/expansion.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "core/property_store.h"

namespace lumen {
namespace {

constexpr size_t kMaxText = kTextBufferSize - 1;

char upperCaseAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string upperCaseAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return upperCaseAscii(c); });
    return text;
}

} // namespace

bool replaceAll(std::string& text, const std::string& pattern, const std::string& replacement) {
    bool complete = true;
    if (text.size() > kMaxText) {
        text.resize(kMaxText);
        complete = false;
    }
    if (pattern.empty()) return complete;
    size_t at = text.find(pattern);
    while (at != std::string::npos) {
        const size_t newSize = text.size() - pattern.size() + replacement.size();
        size_t resume = at + pattern.size();
        if (newSize > kMaxText) {
            complete = false;
        } else {
            text.replace(at, pattern.size(), replacement);
            resume = at + replacement.size();
        }
        at = text.find(pattern, resume);
    }
    return complete;
}

bool expandVariables(std::string& text, const std::string& launcherDirectory,
                     const std::string& extractionDirectory,
                     const std::vector<std::string>& environmentEntries,
                     const std::string& listSeparator) {
    const std::string& separator = listSeparator;
    const std::pair<const char*, const std::string*> fixed[] = {
        {"%LUMEN_EXEDIR%", &launcherDirectory},      {"%TESSEL_EXEDIR%", &launcherDirectory},
        {"%LUMEN_TEMPDIR%", &extractionDirectory},   {"%TESSEL_TEMPDIR%", &extractionDirectory},
        {"%LUMEN_PATHLIST_SEPARATOR%", &separator},  {"%TESSEL_PATHLIST_SEPARATOR%", &separator},
        {"${LUMEN_EXEDIR}", &launcherDirectory},     {"${TESSEL_EXEDIR}", &launcherDirectory},
        {"${LUMEN_TEMPDIR}", &extractionDirectory},  {"${TESSEL_TEMPDIR}", &extractionDirectory},
        {"${LUMEN_PATHLIST_SEPARATOR}", &separator}, {"${TESSEL_PATHLIST_SEPARATOR}", &separator},
    };
    bool complete = true;
    for (const auto& placeholder : fixed)
        complete = replaceAll(text, placeholder.first, *placeholder.second) && complete;

    for (const std::string& entry : environmentEntries) {
        const size_t equals = entry.find('=');
        if (equals == std::string::npos) continue;
        const std::string pattern = "${" + entry.substr(0, equals) + "}";
        const std::string value = entry.substr(equals + 1);
        complete = replaceAll(text, pattern, value) && complete;
        complete = replaceAll(text, upperCaseAscii(pattern), value) && complete;
    }
    return complete;
}

} // namespace lumen
