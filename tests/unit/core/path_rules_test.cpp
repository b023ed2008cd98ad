#include "core/path_rules.h"

#include <gtest/gtest.h>

namespace lumen {
namespace {

TEST(PathRules, AbsoluteAndRelativeForms) {
    for (const char* absolute : {"c:\\x", "d:\\", "\\\\server\\share", "\"c:\\program files\\a\"",
                                 "\"\\\\server\\share\"", "\"c:\\"})
        EXPECT_FALSE(isRelativePath(absolute)) << absolute;
    for (const char* relative :
         {"", "c:", "ab", "lib\\a.jar", "c:x\\y", "\\x\\y", "\"lib\\a\"", "\"c:", "..\\x"})
        EXPECT_TRUE(isRelativePath(relative)) << relative;
}

TEST(PathRules, CollapsingKeepsTheNetworkPrefixOnly) {
    std::u16string path = u"c:\\\\a\\\\\\b";
    collapseBackslashes(path);
    EXPECT_EQ(path, u"c:\\a\\b");
    path = u"\\\\server\\share";
    collapseBackslashes(path);
    EXPECT_EQ(path, u"\\\\server\\share");
    path = u"\\\\\\\\server\\\\x\\";
    collapseBackslashes(path);
    EXPECT_EQ(path, u"\\\\server\\x\\");
    path = u"";
    collapseBackslashes(path);
    EXPECT_EQ(path, u"");
}

TEST(PathRules, DriveRootsNeedNoSearch) {
    for (const char* root : {"C:\\", "c:\\.", "C:\\.\\."})
        EXPECT_TRUE(isDriveRoot(root)) << root;
    for (const char* other : {"C:", "C:\\x", "C:\\.\\", "C:\\..", ":", ""})
        EXPECT_FALSE(isDriveRoot(other)) << other;
}

TEST(PathRules, ListsDropEmptyItems) {
    EXPECT_EQ(splitList("a;;b;"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(splitList(";"), std::vector<std::string>{});
    EXPECT_EQ(splitList("one"), std::vector<std::string>{"one"});
}

} // namespace
} // namespace lumen

namespace lumen {
namespace {

TEST(InstanceName, BackslashesBecomeUnderscores) {
    EXPECT_EQ(instanceNameOf("c:\\progra~1\\app\\setup.exe"), "c:_progra~1_app_setup.exe");
    EXPECT_EQ(instanceNameOf("\\\\server\\share\\a.exe"), "__server_share_a.exe");
    EXPECT_EQ(instanceNameOf("/opt/app/run"), "/opt/app/run");
}

} // namespace
} // namespace lumen
