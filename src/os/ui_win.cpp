#include "os/ui.h"
#include "os/wide_win.h"

#include <cstdio>
#include <windows.h>

#include "os/text.h"

namespace lumen::os {

namespace {

// The owner may be destroyed by its own thread between the caller's choice
// and the box's creation (a splash window that closes as the report hides
// it); the box then cannot be made, and the report would be lost without a
// word. Such a box goes up without an owner instead. (Windows answers 0 for
// a box it could not make, Wine -1.)
template <typename ShowBox> void showOwnedOrAlone(void* owner, ShowBox show) {
    if (show(static_cast<HWND>(owner)) <= 0 && owner != nullptr) show(nullptr);
}

} // namespace

void errorBox(void* owner, const std::string& text, const std::string& caption) {
    showOwnedOrAlone(owner, [&](HWND window) {
        return MessageBoxA(window, text.c_str(), caption.c_str(), MB_ICONERROR);
    });
}

void errorBoxWide(void* owner, const std::u16string& text, const std::u16string& caption) {
    showOwnedOrAlone(owner, [&](HWND window) {
        return MessageBoxW(window, wideChars(text), wideChars(caption), MB_ICONERROR);
    });
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
