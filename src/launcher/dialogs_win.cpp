// The dialog procedures work on Win32 messages directly; everything they
// decide comes from the property store and the launcher's modules.
#include "launcher/dialogs.h"

#include <windows.h>

#include <memory>

#include "core/text_format.h"
#include "core/window_math.h"
#include "launcher/entry.h"
#include "launcher/errors.h"
#include "launcher/java_check.h"
#include "launcher/jvm_loader.h"
#include "launcher/log.h"
#include "launcher/properties.h"
#include "launcher/startup.h"
#include "launcher/window_helpers.h"
#include "os/system.h"
#include "os/text.h"
#include "os/thread.h"
#include "os/window.h"

namespace lumen {
namespace {

constexpr int kProgressDialogResource = 103;
constexpr int kRuntimeDialogResource = 104;
constexpr int kInitialProgressMax = 100;
const char kDialogClass[] = "MyDlgClass";
const wchar_t kDialogClassWide[] = L"MyDlgClass";
const char kMainIcon[] = "MAINICO";
// Sent by the start-up worker when the sequence returned: the application
// has finished and the process has nothing left to wait for.
constexpr UINT kStartupFinished = WM_APP + 1;

HINSTANCE instance() {
    return static_cast<HINSTANCE>(launchState().instanceHandle);
}

// On the NT family the dialogs are Unicode windows, so that captions and
// texts keep characters that the ANSI code page cannot carry.
bool unicodeWindows() {
    static const bool nt = os::isNtPlatform();
    return nt;
}

INT_PTR showDialog(int resource, HWND owner, DLGPROC procedure, LPARAM parameter) {
    if (unicodeWindows())
        return DialogBoxParamW(instance(), MAKEINTRESOURCEW(resource), owner, procedure, parameter);
    return DialogBoxParamA(instance(), MAKEINTRESOURCEA(resource), owner, procedure, parameter);
}

bool registerDialogClass() {
    const UINT styles = CS_DBLCLKS | CS_SAVEBITS | CS_BYTEALIGNWINDOW;
    if (unicodeWindows()) {
        WNDCLASSW windowClass{};
        windowClass.style = styles;
        windowClass.lpfnWndProc = DefDlgProcW;
        windowClass.cbWndExtra = DLGWINDOWEXTRA;
        windowClass.hInstance = instance();
        windowClass.hIcon = LoadIconW(instance(), L"MAINICO");
        windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        windowClass.lpszClassName = kDialogClassWide;
        return RegisterClassW(&windowClass) != 0;
    }
    WNDCLASSA windowClass{};
    windowClass.style = styles;
    windowClass.lpfnWndProc = DefDlgProcA;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = instance();
    windowClass.hIcon = LoadIconA(instance(), kMainIcon);
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kDialogClass;
    return RegisterClassA(&windowClass) != 0;
}

void startupWorker(void* dialog) {
    runStartup(dialog);
    // Ending the dialog lets the main thread end the process with 0 rather
    // than leave an invisible process behind.
    logInfo("Application finished");
    SendMessageW(static_cast<HWND>(dialog), kStartupFinished, 0, 0);
}

INT_PTR CALLBACK progressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        os::centreWindow(dialog);
        setErrorOwner(dialog);
        os::setProgressRange(dialog, kProgressBarId, kInitialProgressMax);
        os::setDlgItemTextWide(dialog, kMessageTextId, wideProperty(20007));
        os::setWindowTextWide(dialog, wideProperty(20013));
        os::setDlgItemTextWide(dialog, IDCANCEL, wideProperty(20012));
        if (!os::startThread(startupWorker, dialog, os::ThreadPriority::Normal)) {
            logError("Could not start the start-up thread (error %lu)", os::lastErrorCode());
            exitWithCleanup(1);
        }
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            logInfo("Canceled installer");
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    case kStartupFinished:
        EndDialog(dialog, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

std::u16string versionOrDash(int id) {
    const std::string version = stringProperty(id);
    return version.empty() ? std::u16string(u"-") : os::wideFromAnsi(version);
}

INT_PTR CALLBACK runtimeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        const bool downloadOffered = lParam != 0;
        // Remembered on the window: Enter still reaches the hidden default
        // button, which must not start a download nobody offered.
        SetWindowLongPtrW(dialog, DWLP_USER, downloadOffered ? 1 : 0);
        os::centreWindow(dialog);
        os::setWindowTextWide(dialog, wideProperty(20013));
        os::setDlgItemTextWide(dialog, IDCANCEL, wideProperty(20012));
        os::setDlgItemTextWide(dialog, kLocatedChoice, wideProperty(20011));
        os::setDlgItemTextWide(dialog, kDownloadChoice, wideProperty(20010));
        const std::u16string format = wideProperty(downloadOffered ? 20005 : 20006);
        if (!downloadOffered) os::showDialogItem(dialog, kDownloadChoice, false);
        os::setDlgItemTextWide(
            dialog, kMessageTextId,
            formatConfiguredText(format, {versionOrDash(126), versionOrDash(127)}));
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case kLocatedChoice:
            if (locateJavaExe(dialog)) EndDialog(dialog, kLocatedChoice);
            return TRUE;
        case IDCANCEL:
            exitWithCleanup(1);
        case kDownloadChoice:
            if (GetWindowLongPtrW(dialog, DWLP_USER) != 0) EndDialog(dialog, kDownloadChoice);
            return TRUE;
        default:
            // No other button exists: ending the dialog with another id
            // would let the start-up go on without a runtime.
            return TRUE;
        }
    default:
        return FALSE;
    }
}

struct WindowWait {
    HWND dialog;
    int position;
    int progressMax;
};

void waitForApplicationWindow(void* parameter) {
    const std::unique_ptr<WindowWait> wait(static_cast<WindowWait*>(parameter));
    const unsigned long self = os::processId();
    int passes = 0;
    while (countProcessWindows(self) <= 1 && passes < kWindowWaitPasses) {
        ++passes;
        if (advanceWindowWait(passes, wait->progressMax, wait->position))
            os::setProgressPosition(wait->dialog, kProgressBarId, wait->position);
        os::sleepMs(kWindowWaitIntervalMs);
    }
    if (passes >= kWindowWaitPasses) fatalMessageWide(20014);
    os::showWindow(wait->dialog, false);
}

} // namespace

void runDialogMode() {
    if (!registerDialogClass())
        logError("Could not register the dialog class (error %lu)", os::lastErrorCode());
    const INT_PTR result = showDialog(kProgressDialogResource, nullptr, progressDialogProc, 0);
    if (result == -1) {
        logError("Could not show the progress dialog (error %lu)", os::lastErrorCode());
        exitWithCleanup(1);
    }
    // The worker may be anywhere in the start-up; ending the process at once
    // keeps it from running on while the runtime library tears down.
    os::exitProcess(0);
}

int showRuntimeDialog(void* owner, bool downloadOffered) {
    const INT_PTR result = showDialog(kRuntimeDialogResource, static_cast<HWND>(owner),
                                      runtimeDialogProc, downloadOffered ? 1 : 0);
    if (result != kDownloadChoice && result != kLocatedChoice) {
        logError("Could not show the runtime dialog (error %lu)", os::lastErrorCode());
        fatalMessage(1001);
    }
    return static_cast<int>(result);
}

bool locateJavaExe(void* owner) {
    std::string title = os::ansiFromWide(wideProperty(20004));
    if (title.size() > kTextBufferSize - 1) title.resize(kTextBufferSize - 1);
    std::string picked;
    if (!os::pickExistingFile(owner, title, "Java EXE", "java.exe", picked)) return false;
    if (!LoadDLL(true, &picked, true)) return false;
    rememberLocatedJvm(picked);
    return true;
}

void startWindowWaitThread(void* dialog, int progressBase, int progressMax) {
    auto* wait = new WindowWait{static_cast<HWND>(dialog), progressBase, progressMax};
    if (!os::startThread(waitForApplicationWindow, wait, os::ThreadPriority::AboveNormal)) {
        delete wait;
        logError("Could not start the window-wait thread (error %lu)", os::lastErrorCode());
    }
}

bool askForManualSelection() {
    return os::askYesNoWarning(wideProperty(20015), wideProperty(20013));
}

} // namespace lumen
