// The system's wide texts as the launcher's UTF-16 strings (Windows OS layer
// only). wchar_t is 16 bits on Windows, so a std::u16string already holds
// what the wide calls take; keeping to that one wide string type spares the
// stub the library's std::wstring (about 24 KB).
#pragma once

#include <string>

namespace lumen::os {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the wide calls take UTF-16");

inline const wchar_t* wideChars(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

inline wchar_t* wideChars(std::u16string& text) {
    return reinterpret_cast<wchar_t*>(&text[0]);
}

} // namespace lumen::os
