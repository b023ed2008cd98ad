// The launcher without windows draws no splash screen; the flag that the
// error reports set still behaves as on Windows.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

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

// The Java side draws the lines on the runtime's splash screen from these.
TEST(PosixSplash, LineLayoutsOnlyOnceTheRuntimeSplashIsUp) {
    Launcher launcher;
    for (const auto& [id, value] :
         std::vector<std::pair<int32_t, std::string>>{{10109, "130"},
                                                      {10110, "140"},
                                                      {10111, "Starting; soon"},
                                                      {10112, "DejaVu Sans"},
                                                      {10113, "16"},
                                                      {10114, "255,230,120"},
                                                      {10115, "700"},
                                                      {10118, "Version 1.0"}})
        launcher.store.setNarrow(id, value);
    launcher.splash.atStartup = true;
    EXPECT_TRUE(runtimeSplashProperties(launcher).empty()) << "not shown yet";
    launcher.splash.started.store(true);
    const auto properties = runtimeSplashProperties(launcher);
    ASSERT_EQ(properties.size(), 2u);
    EXPECT_EQ(properties[0].first, "lumen.splash.status");
    EXPECT_EQ(properties[0].second, "130;140;16;700;255,230,120;DejaVu Sans;Starting; soon");
    EXPECT_EQ(properties[1].first, "lumen.splash.version");
    EXPECT_EQ(properties[1].second, "0;0;0;0;;;Version 1.0");
    hideSplash(launcher);
    EXPECT_TRUE(runtimeSplashProperties(launcher).empty()) << "closed by an error report";
}

TEST(PosixSplash, StatusTextIsCutToTheBuffer) {
    EXPECT_EQ(splashStatusFromWide(u"Loading modules"), "Loading modules");
    EXPECT_EQ(splashStatusFromWide(std::u16string(9000, u'x')).size(), 8191u);
}

} // namespace
} // namespace lumen
