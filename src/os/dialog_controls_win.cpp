#include "os/dialog_controls.h"

#include <windows.h>

#include <commctrl.h>

#include "os/system.h"
#include "os/text.h"

namespace lumen::os {

void setControlText(void* dialog, int control, const std::u16string& text) {
    if (dialog == nullptr) return;
    const auto window = static_cast<HWND>(dialog);
    if (isNtPlatform())
        SetDlgItemTextW(window, control, reinterpret_cast<const wchar_t*>(text.c_str()));
    else
        SetDlgItemTextA(window, control, ansiFromWide(text).c_str());
}

void showControl(void* dialog, int control, bool shown) {
    if (dialog == nullptr) return;
    if (HWND item = GetDlgItem(static_cast<HWND>(dialog), control))
        ShowWindow(item, shown ? SW_SHOW : SW_HIDE);
}

void setProgressBarPosition(void* dialog, int control, int position) {
    if (dialog == nullptr) return;
    SendDlgItemMessageA(static_cast<HWND>(dialog), control, PBM_SETPOS,
                        static_cast<WPARAM>(position), 0);
}

} // namespace lumen::os
