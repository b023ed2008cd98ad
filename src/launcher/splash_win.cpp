// The splash window works on Win32 messages and GDI directly; what it shows
// comes from the launcher's properties, what it is told from the Java side.
// The splash thread owns everything it draws with (SplashScreen, on its
// stack); the window procedure reaches it through the window's user data.
// Other threads see only the launcher's SplashShared flag and window.
#include "launcher/splash.h"

#include <windows.h>

#include <cstdint>
#include <jni.h>
#include <string>

#include "core/property_store.h"
#include "core/window_math.h"
#include "launcher/errors.h"
#include "launcher/jvm_launch.h"
#include "launcher/window_helpers.h"
#include "os/system.h"
#include "os/text.h"
#include "os/thread.h"

namespace lumen {
namespace {

const char kWindowClass[] = "LumenSplashScreen";
const char kIconName[] = "ID_SPLASH_ICON";
const char kControllerClass[] = "com/lumen/runtime/LumenController";
constexpr int kBitmapResource = 10000;
constexpr size_t kFaceNameMax = LF_FACESIZE - 1; // 31 characters and the terminator
constexpr int kPointsPerInch = 72;
constexpr UINT_PTR kPollTimer = 1;
// Posted by the start-up: wParam is the Property of a start-up text.
constexpr UINT kStartupText = WM_APP + 1;

struct TextLine {
    std::string text;
    COLORREF colour = 0;
    int x = 0;
    int y = 0;
    Property face;
    Property size;
    Property weight;
    // Created on the first paint, with the screen's pixels per inch; kept
    // while the window stands.
    HFONT font = nullptr;
};

// The binding to the Java controller; `env` non-null means this thread is
// attached to the JVM. The class reference stays valid while the thread
// stays attached.
struct ControllerBinding {
    JNIEnv* env = nullptr;
    jclass controller = nullptr;
    jmethodID getAction = nullptr;
    jmethodID getText = nullptr;
};

struct SplashScreen {
    SplashScreen(Launcher* owner, int show) : launcher(owner), showCommand(show) {}

    Launcher* launcher;
    int showCommand;
    TextLine status{{},
                    0,
                    0,
                    0,
                    Property::SplashStatusFont,
                    Property::SplashStatusFontSize,
                    Property::SplashStatusFontWeight,
                    nullptr};
    TextLine version{{},
                     0,
                     0,
                     0,
                     Property::SplashVersionFont,
                     Property::SplashVersionFontSize,
                     Property::SplashVersionFontWeight,
                     nullptr};
    int bitmapWidth = 0;
    int bitmapHeight = 0;
    bool hideOnAppWindow = false;
    bool ending = false;
    // Set once the Java side has set a text: the start-up's own texts then
    // no longer replace it.
    bool applicationText = false;
    bool exceptionLogged = false;
    ControllerBinding binding;

    ~SplashScreen() {
        if (status.font != nullptr) DeleteObject(status.font);
        if (version.font != nullptr) DeleteObject(version.font);
    }
};

HINSTANCE executable() {
    return GetModuleHandleA(nullptr);
}

SplashScreen* screenOf(HWND window) {
    return reinterpret_cast<SplashScreen*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

std::string bufferedText(const Launcher& launcher, Property property) {
    std::string text = launcher.properties.text(property);
    if (text.size() > kTextBufferSize - 1) text.resize(kTextBufferSize - 1);
    return text;
}

HFONT createFont(const Launcher& launcher, HDC dc, const TextLine& line) {
    std::string face = launcher.properties.text(line.face);
    if (face.size() > kFaceNameMax) face.resize(kFaceNameMax);
    const int height = -MulDiv(launcher.properties.integer(line.size),
                               GetDeviceCaps(dc, LOGPIXELSY), kPointsPerInch);
    return CreateFontA(height, 0, 0, 0, launcher.properties.integer(line.weight), FALSE, FALSE,
                       FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face.c_str());
}

// --- GDI objects owned for the length of one paint -----------------------

class OwnedGdiObject {
  public:
    explicit OwnedGdiObject(HGDIOBJ object) : object_(object) {}
    ~OwnedGdiObject() {
        if (object_ != nullptr) DeleteObject(object_);
    }
    OwnedGdiObject(const OwnedGdiObject&) = delete;
    OwnedGdiObject& operator=(const OwnedGdiObject&) = delete;
    HGDIOBJ get() const { return object_; }

  private:
    HGDIOBJ object_;
};

class MemoryContext {
  public:
    explicit MemoryContext(HDC compatible) : dc_(CreateCompatibleDC(compatible)) {}
    ~MemoryContext() {
        if (dc_ != nullptr) DeleteDC(dc_);
    }
    MemoryContext(const MemoryContext&) = delete;
    MemoryContext& operator=(const MemoryContext&) = delete;
    HDC get() const { return dc_; }

  private:
    HDC dc_;
};

// Selects an object into a context and puts the previous one back, so that
// neither is deleted while selected.
class Selection {
  public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~Selection() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

void drawLine(HDC dc, const TextLine& line) {
    const Selection font(dc, line.font);
    SetTextColor(dc, line.colour);
    // One line from its starting point: TextOut neither clips nor wraps.
    TextOutA(dc, line.x, line.y, line.text.data(), static_cast<int>(line.text.size()));
}

// Without bitmap 10000 the window shows the light grey ground with both
// lines of text.
void drawBitmap(const SplashScreen& screen, HDC target, HDC compatible) {
    const OwnedGdiObject picture(LoadBitmapA(executable(), MAKEINTRESOURCEA(kBitmapResource)));
    if (picture.get() == nullptr) return;
    const MemoryContext source(compatible);
    if (source.get() == nullptr) return;
    const Selection selected(source.get(), picture.get());
    BitBlt(target, 0, 0, screen.bitmapWidth, screen.bitmapHeight, source.get(), 0, 0, SRCCOPY);
}

// Everything is drawn off screen and copied in one piece, so that a new
// status text does not flicker.
void paint(SplashScreen& screen, HWND window) {
    PAINTSTRUCT paintState;
    HDC dc = BeginPaint(window, &paintState);
    if (dc == nullptr) return;
    if (screen.status.font == nullptr) {
        screen.status.font = createFont(*screen.launcher, dc, screen.status);
        screen.version.font = createFont(*screen.launcher, dc, screen.version);
    }
    RECT client;
    GetClientRect(window, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    {
        const OwnedGdiObject buffer(CreateCompatibleBitmap(dc, width, height));
        const MemoryContext memory(dc);
        if (buffer.get() != nullptr && memory.get() != nullptr) {
            const Selection target(memory.get(), buffer.get());
            FillRect(memory.get(), &client, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
            drawBitmap(screen, memory.get(), dc);
            SetBkMode(memory.get(), TRANSPARENT);
            drawLine(memory.get(), screen.status);
            drawLine(memory.get(), screen.version);
            BitBlt(dc, 0, 0, width, height, memory.get(), 0, 0, SRCCOPY);
        }
    }
    EndPaint(window, &paintState);
}

// A Java exception left by a call into the controller is cleared, so that
// the next JNI call of this thread is legal; true when there was one.
bool clearedException(SplashScreen& screen, JNIEnv* env) {
    if (env->ExceptionCheck() == JNI_FALSE) return false;
    env->ExceptionClear();
    if (!screen.exceptionLogged) {
        screen.exceptionLogged = true;
        screen.launcher->log.error("The splash controller threw an exception");
    }
    return true;
}

// Attempted while the thread has no environment: before the JVM exists
// this yields nothing. A class that is not found is not looked up again.
void bindController(SplashScreen& screen) {
    ControllerBinding& binding = screen.binding;
    binding.env = static_cast<JNIEnv*>(attachJvmThread(*screen.launcher));
    JNIEnv* env = binding.env;
    if (env == nullptr) return;
    binding.controller = env->FindClass(kControllerClass);
    if (binding.controller == nullptr) {
        env->ExceptionClear(); // the NoClassDefFoundError of the lookup
        return;
    }
    binding.getAction = env->GetStaticMethodID(binding.controller, "getAction", "()I");
    if (binding.getAction == nullptr) env->ExceptionClear();
    binding.getText = env->GetStaticMethodID(binding.controller, "getText", "()Ljava/lang/String;");
    if (binding.getText == nullptr) env->ExceptionClear();
}

void setStatusText(SplashScreen& screen, HWND window, const std::u16string& text) {
    screen.status.text = splashStatusFromWide(text);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

void fetchStatusText(SplashScreen& screen, HWND window, JNIEnv* env) {
    jobject result = env->CallStaticObjectMethod(screen.binding.controller, screen.binding.getText);
    if (clearedException(screen, env) || result == nullptr) return;
    screen.applicationText = true;
    const auto text = static_cast<jstring>(result);
    const jsize length = env->GetStringLength(text);
    const jchar* units = env->GetStringChars(text, nullptr);
    if (units != nullptr) {
        setStatusText(screen, window,
                      std::u16string(reinterpret_cast<const char16_t*>(units),
                                     static_cast<size_t>(length > 0 ? length : 0)));
        env->ReleaseStringChars(text, units);
    } else {
        clearedException(screen, env);
    }
    // The thread never returns to Java, so its local references would pile
    // up with every new text.
    env->DeleteLocalRef(result);
}

bool jvmEnding(const Launcher& launcher) {
    return launcher.jvm.ending.load(std::memory_order_acquire);
}

// Ends the splash thread: the window goes (its destruction ends the
// message loop), and a thread that attached itself detaches while the JVM
// still stands.
void endSplash(SplashScreen& screen, HWND window) {
    Launcher& launcher = *screen.launcher;
    screen.ending = true;
    KillTimer(window, kPollTimer);
    if (screen.binding.env != nullptr && !jvmEnding(launcher)) detachJvmThread(launcher);
    void* shown = launcher.splash.window.exchange(nullptr, std::memory_order_acq_rel);
    releaseErrorOwner(launcher, shown);
    DestroyWindow(window);
}

// Closed by the poll: the thread lets go of the JVM and its window first,
// then the splash is hidden for good (which may bring the process's other
// windows to the front).
void closeSplashScreen(SplashScreen& screen, HWND window) {
    endSplash(screen, window);
    hideSplash(*screen.launcher);
}

void poll(SplashScreen& screen, HWND window) {
    if (screen.ending) return;
    Launcher& launcher = *screen.launcher;
    const bool suspended = launcher.splash.suspended.load(std::memory_order_acquire);
    if (launcher.splash.closed.load(std::memory_order_acquire) ||
        launcher.splash.window.load(std::memory_order_acquire) == nullptr ||
        (!suspended && !IsWindowVisible(window))) {
        endSplash(screen, window);
        return;
    }
    if (suspended) return;
    if (screen.hideOnAppWindow && countProcessWindows(launcher, os::processId()) > 0) {
        closeSplashScreen(screen, window);
        return;
    }
    if (jvmEnding(launcher)) return;
    ControllerBinding& binding = screen.binding;
    if (binding.env == nullptr) {
        bindController(screen);
        if (binding.env == nullptr) return;
    }
    if (binding.controller == nullptr || binding.getAction == nullptr || binding.getText == nullptr)
        return;
    JNIEnv* env = binding.env;
    const jint action = env->CallStaticIntMethod(binding.controller, binding.getAction);
    if (clearedException(screen, env)) return;
    if (action == kSplashActionClose) {
        closeSplashScreen(screen, window);
    } else if (action == kSplashActionSetText) {
        fetchStatusText(screen, window, env);
    }
}

LRESULT CALLBACK splashProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    SplashScreen* screen = screenOf(window);
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        if (screen == nullptr) break;
        paint(*screen, window);
        return 0;
    case WM_ERASEBKGND:
        return 1; // the painter covers the whole window
    case WM_TIMER:
        if (screen == nullptr || wParam != kPollTimer) break;
        poll(*screen, window);
        return 0;
    case kStartupText:
        if (screen != nullptr && !screen->applicationText && !screen->ending)
            setStatusText(*screen, window,
                          screen->launcher->properties.wide(
                              static_cast<Property>(static_cast<int32_t>(wParam))));
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND createSplashWindow(SplashScreen& screen) {
    const Launcher& launcher = *screen.launcher;
    const Properties& properties = launcher.properties;
    screen.status.text = bufferedText(launcher, Property::SplashStatusText);
    screen.version.text = bufferedText(launcher, Property::SplashVersionText);
    screen.status.colour = properties.colour(Property::SplashStatusColour);
    screen.version.colour = properties.colour(Property::SplashVersionColour);
    screen.status.x = properties.integer(Property::SplashStatusX);
    screen.status.y = properties.integer(Property::SplashStatusY);
    screen.version.x = properties.integer(Property::SplashVersionX);
    screen.version.y = properties.integer(Property::SplashVersionY);
    screen.bitmapWidth = properties.integer(Property::SplashWidth);
    screen.bitmapHeight = properties.integer(Property::SplashHeight);
    const std::string title = bufferedText(launcher, Property::ApplicationName);

    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = splashProcedure;
    windowClass.hInstance = executable();
    windowClass.hIcon = LoadIconA(executable(), kIconName); // none without the resource
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kWindowClass;
    if (RegisterClassA(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        screen.launcher->log.error("Could not register the splash window class (error %lu)",
                                   GetLastError());

    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    const ScreenPoint origin =
        centredOrigin({0, 0, desktop.right - desktop.left, desktop.bottom - desktop.top},
                      {0, 0, screen.bitmapWidth, screen.bitmapHeight});
    // Topmost from its creation: the window is never seen, nor found by
    // others, below the windows it is meant to stay above.
    const DWORD extendedStyle =
        screen.launcher->properties.flag(Property::SplashTopmost) ? WS_EX_TOPMOST : 0;
    return CreateWindowExA(extendedStyle, kWindowClass, title.c_str(), WS_POPUP,
                           static_cast<int>(origin.x), static_cast<int>(origin.y),
                           screen.bitmapWidth, screen.bitmapHeight, nullptr, nullptr, executable(),
                           &screen);
}

void splashThread(void* parameter) {
    // The screen's state lives on this thread's stack for the window's
    // whole life: the message loop below ends only when the window is gone.
    SplashScreen screen = *static_cast<SplashScreen*>(parameter);
    delete static_cast<SplashScreen*>(parameter);
    Launcher& launcher = *screen.launcher;
    if (launcher.splash.started.load(std::memory_order_acquire)) return;
    HWND window = createSplashWindow(screen);
    if (window == nullptr) {
        launcher.log.error("Could not create the splash window (error %lu)", GetLastError());
        return;
    }
    ShowWindow(window, launcher.splash.suspended.load(std::memory_order_acquire)
                           ? SW_HIDE
                           : screen.showCommand);
    // Published only once shown: a hideSplash() that sees the flag set then
    // always hides after the show. One that came first wins, and the
    // window goes before anything was painted.
    launcher.splash.window.store(window, std::memory_order_release);
    if (launcher.splash.started.exchange(true, std::memory_order_acq_rel)) {
        launcher.splash.window.store(nullptr, std::memory_order_release);
        DestroyWindow(window);
        return;
    }
    launcher.log.info("Splash screen shown");
    // At start-up the hidden progress dialog, which outlives the splash
    // window, stays the owner of the message boxes.
    if (!launcher.splash.atStartup) setErrorOwner(launcher, window);
    screen.hideOnAppWindow = launcher.properties.flag(Property::SplashHideOnAppWindow);
    if (SetTimer(window, kPollTimer, kSplashPollMs, nullptr) == 0)
        launcher.log.error("Could not start the splash timer (error %lu)", GetLastError());
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

} // namespace

void showSplash(Launcher& launcher, int showCommand) {
    auto* screen = new SplashScreen(&launcher, showCommand);
    if (!os::Thread::start(splashThread, screen, os::ThreadPriority::Normal).valid()) {
        delete screen;
        launcher.log.error("Could not start the splash thread (error %lu)", os::lastErrorCode());
    }
}

void hideSplash(Launcher& launcher) {
    launcher.splash.closed.store(true, std::memory_order_release);
    if (!launcher.splash.started.exchange(true, std::memory_order_acq_rel)) return;
    HWND window = static_cast<HWND>(launcher.splash.window.load(std::memory_order_acquire));
    if (window != nullptr) ShowWindow(window, SW_HIDE);
    HWND foreground = GetForegroundWindow();
    DWORD owner = 0;
    if (foreground != nullptr) GetWindowThreadProcessId(foreground, &owner);
    if (owner != os::processId()) bringProcessToFront(os::processId(), false);
}

void suspendSplash(Launcher& launcher) {
    launcher.splash.suspended.store(true, std::memory_order_release);
    HWND window = static_cast<HWND>(launcher.splash.window.load(std::memory_order_acquire));
    if (window != nullptr) ShowWindow(window, SW_HIDE);
}

void resumeSplash(Launcher& launcher) {
    launcher.splash.suspended.store(false, std::memory_order_release);
    HWND window = static_cast<HWND>(launcher.splash.window.load(std::memory_order_acquire));
    if (window != nullptr && !launcher.splash.closed.load(std::memory_order_acquire))
        ShowWindow(window, SW_SHOWNOACTIVATE);
}

void setSplashStartupText(Launcher& launcher, Property text) {
    HWND window = static_cast<HWND>(launcher.splash.window.load(std::memory_order_acquire));
    if (window == nullptr || launcher.properties.wide(text).empty()) return;
    launcher.log.info("Splash status: %s",
                      os::narrowFromWide(launcher.properties.wide(text)).c_str());
    PostMessageA(window, kStartupText, static_cast<WPARAM>(idOf(text)), 0);
}

void showRuntimeSplash(Launcher& /*launcher*/) {}

std::vector<std::pair<std::string, std::string>>
runtimeSplashProperties(const Launcher& /*launcher*/) {
    return {};
}

} // namespace lumen
