#include "os/wide_win.h"
#include "os/window.h"

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/window_math.h"
#include "os/library.h"
#include "os/system.h"
#include "os/text.h"

namespace lumen::os {
namespace {

constexpr size_t kTextCapacity = 8192;
constexpr unsigned long kConsoleTitleDelayMs = 40;

HWND hwnd(Window window) {
    return static_cast<HWND>(window);
}

struct WindowCount {
    DWORD processId;
    std::initializer_list<Window> excluded;
    size_t count;
};

BOOL CALLBACK countWindow(HWND window, LPARAM state) {
    auto* search = reinterpret_cast<WindowCount*>(state);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    const bool excluded =
        std::any_of(search->excluded.begin(), search->excluded.end(),
                    [window](Window candidate) { return hwnd(candidate) == window; });
    if (IsWindowVisible(window) && owner == search->processId && !excluded) ++search->count;
    return TRUE;
}

struct FrontSearch {
    DWORD processId;
    bool restoreMinimised;
};

BOOL CALLBACK bringWindowToFront(HWND window, LPARAM state) {
    const auto* search = reinterpret_cast<const FrontSearch*>(state);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (!IsWindowVisible(window) || owner != search->processId) return TRUE;
    if (search->restoreMinimised && IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
    SetForegroundWindow(GetLastActivePopup(window));
    return TRUE;
}

const wchar_t* wide(const std::u16string& text) {
    return wideChars(text);
}

} // namespace

size_t countVisibleWindows(unsigned long processId, std::initializer_list<Window> excluded) {
    WindowCount search{processId, excluded, 0};
    EnumWindows(countWindow, reinterpret_cast<LPARAM>(&search));
    return search.count;
}

void bringProcessToFront(unsigned long processId, bool restoreMinimised) {
    FrontSearch search{processId, restoreMinimised};
    EnumWindows(bringWindowToFront, reinterpret_cast<LPARAM>(&search));
}

Window lookUpConsoleWindow() {
    std::vector<char> saved(kTextCapacity, '\0');
    SetLastError(ERROR_SUCCESS);
    // An empty title also reads as 0 characters, but without an error.
    if (GetConsoleTitleA(saved.data(), static_cast<DWORD>(saved.size())) == 0 &&
        GetLastError() != ERROR_SUCCESS)
        return nullptr;
    char unique[64];
    (void)std::snprintf(unique, sizeof unique, "%lu/%lu",
                        static_cast<unsigned long>(GetTickCount()),
                        static_cast<unsigned long>(GetCurrentProcessId()));
    if (!SetConsoleTitleA(unique)) return nullptr;
    Sleep(kConsoleTitleDelayMs);
    HWND console = FindWindowA(nullptr, unique);
    SetConsoleTitleA(saved.data());
    return console;
}

void centreWindow(Window window) {
    HWND parent = GetParent(hwnd(window));
    if (parent == nullptr) parent = GetDesktopWindow();
    RECT parentRect{};
    RECT windowRect{};
    if (!GetWindowRect(parent, &parentRect) || !GetWindowRect(hwnd(window), &windowRect)) return;
    const ScreenPoint at =
        centredOrigin({parentRect.left, parentRect.top, parentRect.right, parentRect.bottom},
                      {windowRect.left, windowRect.top, windowRect.right, windowRect.bottom});
    SetWindowPos(hwnd(window), HWND_TOP, static_cast<int>(at.x), static_cast<int>(at.y), 0, 0,
                 SWP_NOSIZE);
}

void setWindowTextWide(Window window, const std::u16string& text) {
    SetWindowTextW(hwnd(window), wide(text));
}

void setDlgItemTextWide(Window dialog, int id, const std::u16string& text) {
    SetDlgItemTextW(hwnd(dialog), id, wide(text));
}

std::u16string windowTextWide(Window window) {
    std::vector<wchar_t> buffer(kTextCapacity, L'\0');
    const int length = GetWindowTextW(hwnd(window), buffer.data(), static_cast<int>(buffer.size()));
    return std::u16string(buffer.begin(), buffer.begin() + (length > 0 ? length : 0));
}

void showWindow(Window window, bool visible) {
    ShowWindow(hwnd(window), visible ? SW_SHOW : SW_HIDE);
}

void showDialogItem(Window dialog, int id, bool visible) {
    ShowWindow(GetDlgItem(hwnd(dialog), id), visible ? SW_SHOW : SW_HIDE);
}

void setProgressRange(Window dialog, int id, int maximum) {
    SendDlgItemMessageA(hwnd(dialog), id, PBM_SETRANGE, 0, MAKELPARAM(0, maximum));
}

void setProgressPosition(Window dialog, int id, int position) {
    SendDlgItemMessageA(hwnd(dialog), id, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

bool askYesNoWarning(const std::u16string& text, const std::u16string& caption) {
    return MessageBoxW(nullptr, wide(text), wide(caption), MB_YESNO | MB_ICONWARNING) == IDYES;
}

bool loadCommonControls() {
    using Initialise = void(WINAPI*)();
    const auto initialise = reinterpret_cast<Initialise>(
        libraryFunction(loadSystemLibraryNamed("comctl32.dll"), "InitCommonControls"));
    if (initialise == nullptr) return false;
    initialise();
    return true;
}

bool pickExistingFile(Window owner, const std::string& title, const std::string& filterName,
                      const std::string& pattern, std::string& path) {
    // The filter is a list of name/pattern pairs, each ending in a null,
    // with one more null at its end.
    std::string filter = filterName;
    filter += '\0';
    filter += pattern;
    filter += '\0';
    filter += '\0';
    std::vector<char> file(kTextCapacity, '\0');
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = hwnd(owner);
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrTitle = title.c_str();
    // The launcher's current directory is the application's working
    // directory; the dialog must not move it.
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;
    using OpenFileName = BOOL(WINAPI*)(LPOPENFILENAMEA);
    const auto open = reinterpret_cast<OpenFileName>(
        libraryFunction(loadSystemLibraryNamed("comdlg32.dll"), "GetOpenFileNameA"));
    if (open == nullptr || !open(&dialog)) return false;
    path = file.data();
    return true;
}

} // namespace lumen::os
