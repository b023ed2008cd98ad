// Read before every C++ file of the Windows trees (cmake/stub.cmake passes
// it with -include), so that the stubs link only what they use.
//
// - printf: the C run-time's own formatting instead of mingw-w64's C99
//   replacement (23 KB with its float printer). The launcher's formats are
//   the plain ones msvcrt.dll has always had (%d %u %lu %lx %s %c %.Nf); no
//   %lld, %zu or %ls.
// - Strings: the two the launcher uses, std::string and std::u16string, are
//   instantiated once, in core/string_instances_win.cpp, built without
//   exceptions. The library's prebuilt std::string would bring the whole
//   exception run-time (and the threads library behind its locks) with its
//   catch clauses; letting every file instantiate what it uses would leave
//   a private copy of each specialised member in every file.
#pragma once

#ifdef __cplusplus
#include <bits/c++config.h>
#undef __USE_MINGW_ANSI_STDIO
#define __USE_MINGW_ANSI_STDIO 0

#include <string>

extern template class std::basic_string<char16_t>;
#endif
