// The one copy of the launcher's string types in the Windows trees (see
// launcher/stub_prelude_win.h): every member, so that no program linking the
// core needs the library's own std::string; the stubs' linker keeps the
// members they call.
#include <string>

template class std::basic_string<char>;
template class std::basic_string<char16_t>;
