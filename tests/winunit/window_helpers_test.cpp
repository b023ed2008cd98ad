// The window helpers against real windows of this process: what is counted,
// what is brought to the front, where a centred window goes, and UTF-16
// texts. Runs on the Wine test rig's display.
#include <gtest/gtest.h>

#include "launcher/window_helpers.h"
#include "launcher_test_support.h"
#include "os/ui.h"
#include "os/window.h"

#include <thread>

namespace lumen::wintest {
namespace {

// A top-level Unicode window, destroyed with the object.
class TestWindow {
  public:
    explicit TestWindow(DWORD style, HWND owner = nullptr, int x = 10, int y = 10, int width = 200,
                        int height = 100) {
        registerClass();
        window_ = CreateWindowExW(0, L"LumenTestWindow", L"test", style, x, y, width, height, owner,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~TestWindow() { DestroyWindow(window_); }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND get() const { return window_; }

  private:
    static void registerClass() {
        static const bool registered = [] {
            WNDCLASSW windowClass{};
            windowClass.lpfnWndProc = DefWindowProcW;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = L"LumenTestWindow";
            return RegisterClassW(&windowClass) != 0;
        }();
        (void)registered;
    }
    HWND window_;
};

void pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
}

using WindowHelpers = LauncherTest;

// The lookup happens once per launcher. (Wine gives this redirected test
// process no console title to read back, so the title itself is not
// checked here.)
TEST_F(WindowHelpers, AWindowedLauncherHasNoConsoleWindow) {
    setProperty(107, "1");
    findConsoleWindow(launcher_);
    EXPECT_EQ(launcher_.console.window, nullptr);
    // Looked up once: a later change of the type changes nothing.
    setProperty(107, "0");
    findConsoleWindow(launcher_);
    EXPECT_EQ(launcher_.console.window, nullptr);
}

TEST_F(WindowHelpers, CountsVisibleTopLevelWindowsOfTheProcessOnly) {
    const DWORD self = GetCurrentProcessId();
    const size_t before = countProcessWindows(launcher_, self);
    TestWindow shown(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    TestWindow hidden(WS_OVERLAPPEDWINDOW);
    pump();
    EXPECT_EQ(countProcessWindows(launcher_, self), before + 1);
    ShowWindow(hidden.get(), SW_SHOW);
    EXPECT_EQ(countProcessWindows(launcher_, self), before + 2);
    // Excluded windows are never counted: the launcher's own splash window
    // and progress dialog are not the application's.
    EXPECT_EQ(os::countVisibleWindows(self, {shown.get()}), before + 1);
    launcher_.splash.window.store(shown.get());
    EXPECT_EQ(countProcessWindows(launcher_, self), before + 1);
    launcher_.progressDialog = hidden.get();
    EXPECT_EQ(countProcessWindows(launcher_, self), before);
    launcher_.splash.window.store(nullptr);
    launcher_.progressDialog = nullptr;
    // Another process's count does not see these windows.
    EXPECT_EQ(countProcessWindows(launcher_, self + 0x10000), 0u);
    ShowWindow(hidden.get(), SW_HIDE);
    EXPECT_EQ(countProcessWindows(launcher_, self), before + 1);
}

TEST_F(WindowHelpers, BringToFrontRestoresVisibleMinimisedWindowsOnlyWhenAsked) {
    const DWORD self = GetCurrentProcessId();
    TestWindow first(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    TestWindow hiddenMinimised(WS_OVERLAPPEDWINDOW);
    ShowWindow(first.get(), SW_MINIMIZE);
    // Minimised but hidden: not a window the user can see, so left alone.
    ShowWindow(hiddenMinimised.get(), SW_SHOWMINNOACTIVE);
    ShowWindow(hiddenMinimised.get(), SW_HIDE);
    pump();
    ASSERT_TRUE(IsIconic(first.get()));
    bringProcessToFront(self, false);
    pump();
    EXPECT_TRUE(IsIconic(first.get()));
    bringProcessToFront(self, true);
    pump();
    EXPECT_FALSE(IsIconic(first.get()));
    EXPECT_FALSE(IsWindowVisible(hiddenMinimised.get()));
}

TEST_F(WindowHelpers, CentresOnTheOwnerWithNegativeOffsetWhenLarger) {
    TestWindow owner(WS_POPUP | WS_VISIBLE, nullptr, 100, 120, 201, 101);
    TestWindow dialog(WS_POPUP | WS_VISIBLE, owner.get(), 0, 0, 400, 300);
    os::centreWindow(dialog.get());
    RECT rect{};
    GetWindowRect(dialog.get(), &rect);
    // Free space -199 x -199, halves truncated toward zero: -99 each way.
    EXPECT_EQ(rect.left, 100 - 99);
    EXPECT_EQ(rect.top, 120 - 99);
    EXPECT_EQ(rect.right - rect.left, 400);
    EXPECT_EQ(rect.bottom - rect.top, 300);
}

TEST_F(WindowHelpers, CentresAWindowWithoutOwnerOnTheDesktop) {
    TestWindow window(WS_POPUP | WS_VISIBLE, nullptr, 0, 0, 300, 200);
    os::centreWindow(window.get());
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    RECT rect{};
    GetWindowRect(window.get(), &rect);
    EXPECT_EQ(rect.left, desktop.left + (desktop.right - desktop.left - 300) / 2);
    EXPECT_EQ(rect.top, desktop.top + (desktop.bottom - desktop.top - 200) / 2);
}

TEST_F(WindowHelpers, WideTextsReachUnicodeWindowsWhole) {
    TestWindow window(WS_OVERLAPPEDWINDOW);
    const std::u16string text = u"Hello \u00e9l\u00e8ve \u4f60\u597d";
    os::setWindowTextWide(window.get(), text);
    EXPECT_EQ(os::windowTextWide(window.get()), text);

    HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 50, 10, window.get(),
                                 reinterpret_cast<HMENU>(1003), GetModuleHandleW(nullptr), nullptr);
    os::setDlgItemTextWide(window.get(), 1003, text);
    EXPECT_EQ(os::windowTextWide(child), text);
}

// A report whose owner was destroyed before its box was made (the splash
// window, closing on its own thread as the report hides it) still shows.
TEST(ErrorBox, AnOwnerGoneBeforeTheBoxStillLetsTheBoxShow) {
    HWND gone = nullptr;
    {
        const TestWindow owner(WS_POPUP);
        gone = owner.get();
    }
    ASSERT_FALSE(IsWindow(gone));
    for (const bool wide : {false, true}) {
        bool shown = false;
        std::thread closer([&shown] {
            for (int tries = 0; tries < 200 && !shown; ++tries) {
                HWND box = FindWindowW(L"#32770", L"Lumen owner test");
                if (box != nullptr && PostMessageW(box, WM_COMMAND, IDOK, 0)) shown = true;
                Sleep(50);
            }
        });
        if (wide)
            os::errorBoxWide(gone, u"report", u"Lumen owner test");
        else
            os::errorBox(gone, "report", "Lumen owner test");
        closer.join();
        EXPECT_TRUE(shown) << (wide ? "wide" : "narrow");
    }
}

} // namespace
} // namespace lumen::wintest
