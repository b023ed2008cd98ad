// UTF-8 texts of a description into the launcher's 8-bit code page and
// UTF-16.
//
// Contract: the same input gives the same bytes on Linux and on Windows.
// Code pages are named as in the table in codepage.cpp (Windows code
// pages by "windows-1252" or "cp1252", and the usual names of the others,
// any case); UTF-8 is decoded here, and only the step from code points to
// a code page's bytes is the host's (iconv on Linux, WideCharToMultiByte
// without best-fit replacements on Windows).
#pragma once

#include <string>

namespace lumen::builder {

// Converts UTF-8 into the named code page; false when the code page is
// unknown (error set) or a character cannot be carried (error names it).
bool toCodePage(const std::string& utf8, const std::string& codePage, std::string& out,
                std::string& error);
bool toUtf16(const std::string& utf8, std::u16string& out);

struct CodePage {
    unsigned number;       // the Windows code page
    const char* iconvName; // the same table under its iconv name
};

enum class Encoding { Done, Unencodable, Unavailable };

// The host's part: text in the code page's bytes. Unencodable: failedAt is
// the index of the first code point the code page has no byte for.
Encoding encodeInCodePage(const std::u32string& text, const CodePage& codePage, std::string& out,
                          size_t& failedAt);

} // namespace lumen::builder
