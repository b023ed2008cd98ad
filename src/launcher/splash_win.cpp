// The splash window works on Win32 messages and GDI directly; what it shows
// comes from the property store, what it is told from the Java side.
#include "launcher/splash.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <jni.h>
#include <string>

#include "core/property_store.h"
#include "core/window_math.h"
#include "launcher/errors.h"
#include "launcher/jvm_launch.h"
#include "launcher/log.h"
#include "launcher/properties.h"
#include "launcher/window_helpers.h"
#include "os/system.h"
#include "os/thread.h"

namespace lumen {
namespace {

const char kWindowClass[] = "LumenSplashScreen";
const char kIconName[] = "ID_SPLASH_ICON";
const char kControllerClass[] = "com/lumen/runtime/LumenController";
constexpr int kBitmapResource = 10000;
constexpr size_t kFaceNameMax = LF_FACESIZE - 1; // 31 characters and the terminator
constexpr int kPointsPerInch = 72;

// Shared between threads. `started` is the one-way flag: set by the splash
// thread once its window is shown and published in `splashWindow`, or by
// hideSplash() before that, which keeps the window from ever appearing.
std::atomic<bool> started{false};
std::atomic<HWND> splashWindow{nullptr};

// Everything below belongs to the splash thread alone.

struct TextLine {
    std::string text;
    COLORREF colour = 0;
    int x = 0;
    int y = 0;
    int faceId;
    int sizeId;
    int weightId;
    // Created on the first paint, with the screen's pixels per inch; kept
    // for the life of the process.
    HFONT font = nullptr;
};

TextLine statusLine{{}, 0, 0, 0, 10112, 10113, 10115, nullptr};
TextLine versionLine{{}, 0, 0, 0, 10119, 10120, 10122, nullptr};
int bitmapWidth = 0;
int bitmapHeight = 0;
bool hideOnAppWindow = false;
UINT_PTR pollTimer = 0;
bool ending = false;

// The binding to the Java controller; `env` non-null means this thread is
// attached to the JVM. The class reference stays valid while the thread
// stays attached.
struct ControllerBinding {
    JNIEnv* env = nullptr;
    jclass controller = nullptr;
    jmethodID getAction = nullptr;
    jmethodID getText = nullptr;
} binding;
bool exceptionLogged = false;

HINSTANCE executable() {
    return GetModuleHandleA(nullptr);
}

std::string bufferedText(int id) {
    std::string text = stringProperty(id);
    if (text.size() > kTextBufferSize - 1) text.resize(kTextBufferSize - 1);
    return text;
}

HFONT createFont(HDC dc, const TextLine& line) {
    std::string face = stringProperty(line.faceId);
    if (face.size() > kFaceNameMax) face.resize(kFaceNameMax);
    const int height =
        -MulDiv(getIntProperty(line.sizeId), GetDeviceCaps(dc, LOGPIXELSY), kPointsPerInch);
    return CreateFontA(height, 0, 0, 0, getIntProperty(line.weightId), FALSE, FALSE, FALSE,
                       ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, face.c_str());
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
void drawBitmap(HDC target, HDC compatible) {
    const OwnedGdiObject picture(LoadBitmapA(executable(), MAKEINTRESOURCEA(kBitmapResource)));
    if (picture.get() == nullptr) return;
    const MemoryContext source(compatible);
    if (source.get() == nullptr) return;
    const Selection selected(source.get(), picture.get());
    BitBlt(target, 0, 0, bitmapWidth, bitmapHeight, source.get(), 0, 0, SRCCOPY);
}

// Everything is drawn off screen and copied in one piece, so that a new
// status text does not flicker.
void paint(HWND window) {
    PAINTSTRUCT paintState;
    HDC dc = BeginPaint(window, &paintState);
    if (dc == nullptr) return;
    if (statusLine.font == nullptr) {
        statusLine.font = createFont(dc, statusLine);
        versionLine.font = createFont(dc, versionLine);
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
            drawBitmap(memory.get(), dc);
            SetBkMode(memory.get(), TRANSPARENT);
            drawLine(memory.get(), statusLine);
            drawLine(memory.get(), versionLine);
            BitBlt(dc, 0, 0, width, height, memory.get(), 0, 0, SRCCOPY);
        }
    }
    EndPaint(window, &paintState);
}

LRESULT CALLBACK splashProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        paint(window);
        return 0;
    case WM_ERASEBKGND:
        return 1; // the painter covers the whole window
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

HWND createSplashWindow() {
    statusLine.text = bufferedText(10111);
    versionLine.text = bufferedText(10118);
    statusLine.colour = getColorProperty(10114);
    versionLine.colour = getColorProperty(10121);
    statusLine.x = getIntProperty(10109);
    statusLine.y = getIntProperty(10110);
    versionLine.x = getIntProperty(10116);
    versionLine.y = getIntProperty(10117);
    bitmapWidth = getIntProperty(141);
    bitmapHeight = getIntProperty(142);
    const std::string title = bufferedText(101);

    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = splashProcedure;
    windowClass.hInstance = executable();
    windowClass.hIcon = LoadIconA(executable(), kIconName); // none without the resource
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kWindowClass;
    if (RegisterClassA(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        logError("Could not register the splash window class (error %lu)", GetLastError());

    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    const ScreenPoint origin =
        centredOrigin({0, 0, desktop.right - desktop.left, desktop.bottom - desktop.top},
                      {0, 0, bitmapWidth, bitmapHeight});
    return CreateWindowExA(0, kWindowClass, title.c_str(), WS_POPUP, static_cast<int>(origin.x),
                           static_cast<int>(origin.y), bitmapWidth, bitmapHeight, nullptr, nullptr,
                           executable(), nullptr);
}

// A Java exception left by a call into the controller is cleared, so that
// the next JNI call of this thread is legal; true when there was one.
bool clearedException(JNIEnv* env) {
    if (env->ExceptionCheck() == JNI_FALSE) return false;
    env->ExceptionClear();
    if (!exceptionLogged) {
        exceptionLogged = true;
        logError("The splash controller threw an exception");
    }
    return true;
}

// Attempted while the thread has no environment: before the JVM exists
// this yields nothing. A class that is not found is not looked up again.
void bindController() {
    binding.env = static_cast<JNIEnv*>(attachJvmThread());
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

void fetchStatusText(JNIEnv* env) {
    jobject result = env->CallStaticObjectMethod(binding.controller, binding.getText);
    if (clearedException(env) || result == nullptr) return;
    const auto text = static_cast<jstring>(result);
    const jsize length = env->GetStringLength(text);
    const jchar* units = env->GetStringChars(text, nullptr);
    if (units != nullptr) {
        setSplashStatusText(std::u16string(reinterpret_cast<const char16_t*>(units),
                                           static_cast<size_t>(length > 0 ? length : 0)));
        env->ReleaseStringChars(text, units);
    } else {
        clearedException(env);
    }
    // The thread never returns to Java, so its local references would pile
    // up with every new text.
    env->DeleteLocalRef(result);
}

// Ends the splash thread: the window goes (its destruction ends the
// message loop), and a thread that attached itself detaches, since the
// JVM waits for attached threads before it can be destroyed.
void endSplash() {
    ending = true;
    KillTimer(nullptr, pollTimer);
    if (binding.env != nullptr) detachJvmThread();
    HWND window = splashWindow.exchange(nullptr, std::memory_order_acq_rel);
    releaseErrorOwner(window);
    DestroyWindow(window);
}

void CALLBACK poll(HWND, UINT, UINT_PTR, DWORD) {
    if (ending) return;
    HWND window = splashWindow.load(std::memory_order_acquire);
    if (window == nullptr || !IsWindowVisible(window)) {
        endSplash();
        return;
    }
    if (hideOnAppWindow && countProcessWindows(os::processId()) > 1) {
        hideSplash();
        endSplash();
        return;
    }
    if (binding.env == nullptr) {
        bindController();
        if (binding.env == nullptr) return;
    }
    if (binding.controller == nullptr || binding.getAction == nullptr || binding.getText == nullptr)
        return;
    JNIEnv* env = binding.env;
    const jint action = env->CallStaticIntMethod(binding.controller, binding.getAction);
    if (clearedException(env)) return;
    if (action == kSplashActionClose) {
        hideSplash();
        endSplash();
    } else if (action == kSplashActionSetText) {
        fetchStatusText(env);
    }
}

void splashThread(void* parameter) {
    const int showCommand = static_cast<int>(reinterpret_cast<intptr_t>(parameter));
    if (started.load(std::memory_order_acquire)) return;
    HWND window = createSplashWindow();
    if (window == nullptr) {
        logError("Could not create the splash window (error %lu)", GetLastError());
        return;
    }
    ShowWindow(window, showCommand);
    if (getIntProperty(147) != 0)
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    // Published only once shown: a hideSplash() that sees the flag set then
    // always hides after the show. One that came first wins, and the
    // window goes before anything was painted.
    splashWindow.store(window, std::memory_order_release);
    if (started.exchange(true, std::memory_order_acq_rel)) {
        splashWindow.store(nullptr, std::memory_order_release);
        DestroyWindow(window);
        return;
    }
    setErrorOwner(window);
    hideOnAppWindow = getIntProperty(145) != 0;
    pollTimer = SetTimer(nullptr, 0, kSplashPollMs, poll);
    if (pollTimer == 0) logError("Could not start the splash timer (error %lu)", GetLastError());
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

} // namespace

void showSplash(int showCommand) {
    void* argument = reinterpret_cast<void*>(static_cast<intptr_t>(showCommand));
    if (!os::startThread(splashThread, argument, os::ThreadPriority::Normal))
        logError("Could not start the splash thread (error %lu)", os::lastErrorCode());
}

void hideSplash() {
    if (!started.exchange(true, std::memory_order_acq_rel)) return;
    HWND window = splashWindow.load(std::memory_order_acquire);
    if (window != nullptr) ShowWindow(window, SW_HIDE);
    HWND foreground = GetForegroundWindow();
    DWORD owner = 0;
    if (foreground != nullptr) GetWindowThreadProcessId(foreground, &owner);
    if (owner != os::processId()) bringProcessToFront(os::processId(), false);
}

void setSplashStatusText(const std::u16string& text) {
    if (!splashStarted()) return;
    statusLine.text = splashStatusFromWide(text);
    HWND window = splashWindow.load(std::memory_order_acquire);
    if (window == nullptr) return;
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

bool splashStarted() {
    return started.load(std::memory_order_acquire);
}

} // namespace lumen
