// The dialog procedures work on Win32 messages directly; everything they
// decide comes from the launcher's properties and modules. Each dialog's
// state lives with its caller and reaches the procedure through the
// dialog's own user data (DWLP_USER), never through namespace-scope state.
#include "launcher/dialogs.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <optional>

#include "core/text_format.h"
#include "core/window_math.h"
#include "launcher/errors.h"
#include "launcher/java_check.h"
#include "launcher/jvm_loader.h"
#include "launcher/splash.h"
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
// The window class named by dialog template 103, so that the progress
// dialog carries the launcher's icon.
const wchar_t kDialogClass[] = L"LumenProgressDialog";
const wchar_t kMainIcon[] = L"MAINICO";
// Sent to the progress dialog when the dialog mode is to end: by the
// start-up worker when the sequence returned (the application finished, or
// a failure was reported), by the window wait when no window came. lParam
// points to the Failure that says how the process ends.
constexpr UINT kEndDialogMode = WM_APP + 1;
// How long the start-up waits for the splash window before it unpacks
// anything: the splash is what the user sees from the first moment.
constexpr unsigned kSplashShowWaitMs = 3000;

// The progress dialog's state: owned by runDialogMode() for the dialog's
// whole life.
struct ProgressDialog {
    Launcher* launcher;
    HWND window = nullptr;
    // How the process ends once the dialog has ended; Cancel's default.
    Failure ending = Failure::exit(0, false);
    // With the splash at start-up the dialog stays hidden, except while a
    // download shows its progress (see revealProgressDialog()).
    std::atomic<bool> keptHidden{false};
};

struct RuntimeDialog {
    Launcher* launcher;
    bool downloadOffered;
    std::optional<Failure> failure;
};

struct WindowWait {
    Launcher* launcher;
    HWND dialog;
    int position;
    int progressMax;
};

HINSTANCE instance(const Launcher& launcher) {
    return static_cast<HINSTANCE>(launcher.state.instanceHandle);
}

template <typename State> State* stateOf(HWND dialog) {
    return reinterpret_cast<State*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

bool registerDialogClass(const Launcher& launcher) {
    WNDCLASSW windowClass{};
    windowClass.style = CS_DBLCLKS | CS_SAVEBITS | CS_BYTEALIGNWINDOW;
    windowClass.lpfnWndProc = DefDlgProcW;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = instance(launcher);
    windowClass.hIcon = LoadIconW(instance(launcher), kMainIcon);
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kDialogClass;
    return RegisterClassW(&windowClass) != 0;
}

// Reports a failure on the calling thread (so that its message box has the
// dialog as owner while the dialog still stands), then ends the dialog mode.
void endDialogMode(Launcher& launcher, HWND dialog, Failure failure) {
    if (!failure.reported) {
        reportFailure(launcher, failure);
        failure.reported = true;
    }
    SendMessageW(dialog, kEndDialogMode, 0, reinterpret_cast<LPARAM>(&failure));
}

void startupWorker(void* parameter) {
    auto* dialog = static_cast<ProgressDialog*>(parameter);
    Launcher& launcher = *dialog->launcher;
    if (launcher.splash.atStartup && !waitForSplash(launcher, kSplashShowWaitMs))
        launcher.log.error("The splash screen did not appear");
    const Outcome outcome = runStartup(launcher, dialog->window);
    if (!outcome) {
        endDialogMode(launcher, dialog->window, outcome.failure());
        return;
    }
    // The application has finished without ending the process: ending the
    // dialog ends the process with 0 rather than leave it invisible.
    launcher.log.info("Application finished");
    endDialogMode(launcher, dialog->window, Failure::exit(0, false));
}

INT_PTR CALLBACK progressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        auto* state = reinterpret_cast<ProgressDialog*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        state->window = dialog;
        Launcher& launcher = *state->launcher;
        launcher.progressDialog = dialog;
        os::centreWindow(dialog);
        setErrorOwner(launcher, dialog);
        os::setProgressRange(dialog, kProgressBarId, kInitialProgressMax);
        os::setDlgItemTextWide(dialog, kMessageTextId,
                               launcher.properties.wide(Property::UiPreparing));
        os::setWindowTextWide(dialog, launcher.properties.wide(Property::UiCaption));
        os::setDlgItemTextWide(dialog, IDCANCEL,
                               launcher.properties.wide(Property::UiCancelButton));
        // Started once the dialog is known, so that the splash leaves it out
        // of its count of the application's windows.
        if (launcher.splash.atStartup) showSplash(launcher, launcher.state.showCommand);
        if (!os::Thread::start(startupWorker, state, os::ThreadPriority::Normal).valid()) {
            launcher.log.error("Could not start the start-up thread (error %lu)",
                               os::lastErrorCode());
            state->ending = Failure::exit(1);
            EndDialog(dialog, 0);
        }
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            stateOf<ProgressDialog>(dialog)->launcher->log.info("Canceled installer");
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    case kEndDialogMode:
        stateOf<ProgressDialog>(dialog)->ending = *reinterpret_cast<const Failure*>(lParam);
        EndDialog(dialog, 0);
        return TRUE;
    case WM_WINDOWPOSCHANGING: {
        // The dialog manager shows a modal dialog by itself; hidden behind
        // the splash it must stay so.
        const auto* state = stateOf<ProgressDialog>(dialog);
        if (state != nullptr && state->keptHidden.load(std::memory_order_acquire))
            reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
        return FALSE;
    }
    default:
        return FALSE;
    }
}

std::u16string versionOrDash(const Launcher& launcher, Property bound) {
    const std::string version = launcher.properties.text(bound);
    return version.empty() ? std::u16string(u"-") : os::wideFromAnsi(version);
}

INT_PTR CALLBACK runtimeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        // Kept on the window: Enter still reaches the hidden default button,
        // which must not start a download nobody offered.
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        const auto* state = reinterpret_cast<const RuntimeDialog*>(lParam);
        const Properties& properties = state->launcher->properties;
        os::centreWindow(dialog);
        os::setWindowTextWide(dialog, properties.wide(Property::UiCaption));
        os::setDlgItemTextWide(dialog, IDCANCEL, properties.wide(Property::UiCancelButton));
        os::setDlgItemTextWide(dialog, kLocatedChoice, properties.wide(Property::UiLocateButton));
        os::setDlgItemTextWide(dialog, kDownloadChoice,
                               properties.wide(Property::UiDownloadButton));
        const std::u16string format = properties.wide(
            state->downloadOffered ? Property::UiNotFoundWithDownload : Property::UiNotFound);
        if (!state->downloadOffered) os::showDialogItem(dialog, kDownloadChoice, false);
        os::setDlgItemTextWide(
            dialog, kMessageTextId,
            formatConfiguredText(format,
                                 {versionOrDash(*state->launcher, Property::MinimumJavaVersion),
                                  versionOrDash(*state->launcher, Property::MaximumJavaVersion)}));
        return TRUE;
    }
    case WM_COMMAND: {
        auto* state = stateOf<RuntimeDialog>(dialog);
        switch (LOWORD(wParam)) {
        case kLocatedChoice: {
            const Result<bool> located = locateJavaExe(*state->launcher, dialog);
            if (!located) {
                state->failure = located.failure();
                EndDialog(dialog, IDABORT);
            } else if (located.value()) {
                EndDialog(dialog, kLocatedChoice);
            }
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case kDownloadChoice:
            if (state->downloadOffered) EndDialog(dialog, kDownloadChoice);
            return TRUE;
        default:
            // No other button exists: ending the dialog with another id
            // would let the start-up go on without a runtime.
            return TRUE;
        }
    }
    default:
        return FALSE;
    }
}

void waitForApplicationWindow(void* parameter) {
    const std::unique_ptr<WindowWait> wait(static_cast<WindowWait*>(parameter));
    Launcher& launcher = *wait->launcher;
    const unsigned long self = os::processId();
    int passes = 0;
    while (countProcessWindows(launcher, self) == 0 && passes < kWindowWaitPasses) {
        ++passes;
        if (advanceWindowWait(passes, wait->progressMax, wait->position))
            os::setProgressPosition(wait->dialog, kProgressBarId, wait->position);
        os::sleepMs(kWindowWaitIntervalMs);
    }
    if (passes >= kWindowWaitPasses) {
        endDialogMode(launcher, wait->dialog, Failure::configuredWide(Property::UiNoWindow));
        return;
    }
    os::showWindow(wait->dialog, false);
}

} // namespace

Failure runDialogMode(Launcher& launcher) {
    if (!os::loadCommonControls())
        launcher.log.error("Could not load the common controls (error %lu)", os::lastErrorCode());
    if (!registerDialogClass(launcher))
        launcher.log.error("Could not register the dialog class (error %lu)", os::lastErrorCode());
    ProgressDialog dialog{&launcher};
    dialog.keptHidden.store(launcher.splash.atStartup, std::memory_order_release);
    const INT_PTR result =
        DialogBoxParamW(instance(launcher), MAKEINTRESOURCEW(kProgressDialogResource), nullptr,
                        progressDialogProc, reinterpret_cast<LPARAM>(&dialog));
    if (result == -1) {
        launcher.log.error("Could not show the progress dialog (error %lu)", os::lastErrorCode());
        return Failure::exit(1);
    }
    // The worker may be anywhere in the start-up: the caller ends the
    // process at once, so that it does not run on while the runtime
    // library tears down.
    return dialog.ending;
}

Result<RuntimeChoice> showRuntimeDialog(Launcher& launcher, void* owner, bool downloadOffered) {
    if (!os::loadCommonControls())
        launcher.log.error("Could not load the common controls (error %lu)", os::lastErrorCode());
    RuntimeDialog dialog{&launcher, downloadOffered, std::nullopt};
    const INT_PTR result = DialogBoxParamW(
        instance(launcher), MAKEINTRESOURCEW(kRuntimeDialogResource), static_cast<HWND>(owner),
        runtimeDialogProc, reinterpret_cast<LPARAM>(&dialog));
    switch (result) {
    case kDownloadChoice:
        return RuntimeChoice::Download;
    case kLocatedChoice:
        return RuntimeChoice::Located;
    case IDCANCEL:
        return Failure::exit(1);
    case IDABORT:
        if (dialog.failure) return *dialog.failure;
        [[fallthrough]];
    default:
        launcher.log.error("Could not show the runtime dialog (error %lu)", os::lastErrorCode());
        return Failure::configured(Property::MessageNoRuntime);
    }
}

Result<bool> locateJavaExe(Launcher& launcher, void* owner) {
    std::string title = os::ansiFromWide(launcher.properties.wide(Property::UiLocateTitle));
    if (title.size() > kTextBufferSize - 1) title.resize(kTextBufferSize - 1);
    std::string picked;
    if (!os::pickExistingFile(owner, title, "Java EXE", "java.exe", picked)) return false;
    Result<bool> loaded = loadJvm(launcher, JvmRequest::javaExe(picked), ShowErrors::Yes);
    if (!loaded || !loaded.value()) return loaded;
    rememberLocatedJvm(picked);
    return true;
}

void revealProgressDialog(void* dialog, bool shown) {
    auto* state = stateOf<ProgressDialog>(static_cast<HWND>(dialog));
    if (state == nullptr) return;
    state->keptHidden.store(!shown, std::memory_order_release);
    os::showWindow(dialog, shown);
}

void startWindowWaitThread(Launcher& launcher, void* dialog, int progressBase, int progressMax) {
    auto* wait = new WindowWait{&launcher, static_cast<HWND>(dialog), progressBase, progressMax};
    if (!os::Thread::start(waitForApplicationWindow, wait, os::ThreadPriority::AboveNormal)
             .valid()) {
        delete wait;
        launcher.log.error("Could not start the window-wait thread (error %lu)",
                           os::lastErrorCode());
    }
}

bool askForManualSelection(Launcher& launcher) {
    return os::askYesNoWarning(launcher.properties.wide(Property::UiUnfinishedStart),
                               launcher.properties.wide(Property::UiCaption));
}

} // namespace lumen
