// Conversion between the 8-bit texts of the file functions' code page and
// UTF-16, and the wide lower-casing that the path rules use.
//
// Contract: `narrowFromWide` reports through `lossless` whether every
// character could be carried (no default character was needed), so that
// callers can apply the round-trip rule: keep the original text when the
// code page cannot carry the result.
#pragma once

#include <string>

namespace lumen::os {

std::u16string wideFromNarrow(const std::string& text);
std::string narrowFromWide(const std::u16string& text, bool* lossless = nullptr);
void lowerCaseWide(std::u16string& text);

// The same conversions in the ANSI code page whatever the file functions
// use (configured texts and VM options are ANSI texts).
std::u16string wideFromAnsi(const std::string& text);
std::string ansiFromWide(const std::u16string& text);

} // namespace lumen::os
