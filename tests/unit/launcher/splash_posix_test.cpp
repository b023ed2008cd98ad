// The launcher without windows draws no splash screen; the flag that the
// error reports set still behaves as on Windows.
#include <gtest/gtest.h>

#include <string>

#include "launcher/splash.h"

namespace lumen {
namespace {

TEST(PosixSplash, ShowsNothingAndHideOnlyBlocksLaterSplashes) {
    Launcher launcher;
    showSplash(launcher, 1);
    EXPECT_FALSE(splashStarted(launcher));
    hideSplash(launcher);
    EXPECT_TRUE(splashStarted(launcher));
    hideSplash(launcher);
    EXPECT_TRUE(splashStarted(launcher));
}

TEST(PosixSplash, StatusTextIsCutToTheBuffer) {
    EXPECT_EQ(splashStatusFromWide(u"Loading modules"), "Loading modules");
    EXPECT_EQ(splashStatusFromWide(std::u16string(9000, u'x')).size(), 8191u);
}

} // namespace
} // namespace lumen
