#include "os/ui.h"
#include "os/wide_win.h"

#include <cstdio>
#include <windows.h>

#include "os/text.h"

namespace lumen::os {

void errorBox(void* owner, const std::string& text, const std::string& caption) {
    MessageBoxA(static_cast<HWND>(owner), text.c_str(), caption.c_str(), MB_ICONERROR);
}

void errorBoxWide(void* owner, const std::u16string& text, const std::u16string& caption) {
    MessageBoxW(static_cast<HWND>(owner), wideChars(text), wideChars(caption), MB_ICONERROR);
}

// A stream that cannot be written (no console, a closed pipe) leaves the
// report in the log alone: nothing else could carry it.
void writeStandardError(const std::string& text) {
    (void)std::fputs(text.c_str(), stderr);
    (void)std::fflush(stderr);
}

void writeStandardErrorWide(const std::u16string& text) {
    // The stream is byte-oriented; the console shows the code page's bytes.
    writeStandardError(narrowFromWide(text));
}

void writeStandardOutput(const std::string& text) {
    (void)std::fputs(text.c_str(), stdout);
    (void)std::fflush(stdout);
}

} // namespace lumen::os
