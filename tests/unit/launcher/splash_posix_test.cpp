// The launcher without windows draws no splash screen; the flag that the
// error reports set still behaves as on Windows.
#include <gtest/gtest.h>

#include <string>

#include "launcher/splash.h"

namespace lumen {
namespace {

TEST(PosixSplash, ShowsNothingAndHideOnlyBlocksLaterSplashes) {
    // Another test's error report may have set the flag already.
    const bool before = splashStarted();
    showSplash(1);
    EXPECT_EQ(splashStarted(), before);
    setSplashStatusText(u"Loading");
    EXPECT_EQ(splashStarted(), before);
    hideSplash();
    EXPECT_TRUE(splashStarted());
    hideSplash();
    EXPECT_TRUE(splashStarted());
}

TEST(PosixSplash, StatusTextIsCutToTheBuffer) {
    EXPECT_EQ(splashStatusFromWide(u"Loading modules"), "Loading modules");
    EXPECT_EQ(splashStatusFromWide(std::u16string(9000, u'x')).size(), 8191u);
}

} // namespace
} // namespace lumen
