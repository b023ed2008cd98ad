// The splash screen's parts that need no display: the status text as the
// window draws it, and a splash that an error report blocked before it
// appeared. The window itself is tested on the Xvfb display through
// splash_probe.exe (tests/win/test_splash.py).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/property_store.h"
#include "launcher/splash.h"

namespace lumen {
namespace {

TEST(SplashStatusText, IsCutToTheBufferAndShowsQuestionMarksForWhatTheCodePageLacks) {
    EXPECT_EQ(splashStatusFromWide(u"Loading modules"), "Loading modules");
    EXPECT_EQ(splashStatusFromWide(std::u16string(10000, u'x')),
              std::string(kTextBufferSize - 1, 'x'));
    EXPECT_EQ(splashStatusFromWide(std::u16string(kTextBufferSize - 1, u'y')).size(),
              kTextBufferSize - 1);
    // CJK and an emoji (a surrogate pair) have no equivalent in the
    // Western code page of the test prefix.
    const std::string narrow = splashStatusFromWide(u"A\u4e2d\U0001F600B");
    ASSERT_FALSE(narrow.empty());
    EXPECT_EQ(narrow.front(), 'A');
    EXPECT_EQ(narrow.back(), 'B');
    EXPECT_NE(narrow.find('?'), std::string::npos);
    EXPECT_EQ(splashStatusFromWide(u""), "");
}

struct SplashSearch {
    bool found = false;
};

BOOL CALLBACK findSplash(HWND window, LPARAM parameter) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[64];
    if (owner == GetCurrentProcessId() && GetClassNameA(window, name, sizeof name) &&
        lstrcmpA(name, "LumenSplashScreen") == 0)
        reinterpret_cast<SplashSearch*>(parameter)->found = true;
    return TRUE;
}

TEST(Splash, HiddenBeforeItWasShownNeverAppears) {
    Launcher launcher;
    EXPECT_FALSE(splashStarted(launcher));
    hideSplash(launcher);
    EXPECT_TRUE(splashStarted(launcher));
    showSplash(launcher, SW_SHOWNORMAL);
    Sleep(500); // the splash thread would have created its window by now
    SplashSearch search;
    EnumWindows(findSplash, reinterpret_cast<LPARAM>(&search));
    EXPECT_FALSE(search.found);
}

} // namespace
} // namespace lumen
