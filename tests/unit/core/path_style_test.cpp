#include <gtest/gtest.h>

#include "core/class_path.h"
#include "core/expansion.h"
#include "core/java_runtime.h"
#include "core/path_rules.h"
#include "core/path_style.h"
#include "core/vm_options.h"

namespace lumen {
namespace {

const PathStyle& posix = PathStyle::posix();
const PathStyle& windows = PathStyle::windows();

TEST(PathStyle, JoinsWithTheStylesSeparatorWithoutDoublingIt) {
    EXPECT_EQ(joinPath(posix, "/opt/app", "lib"), "/opt/app/lib");
    EXPECT_EQ(joinPath(posix, "/", "tmp"), "/tmp");
    EXPECT_EQ(joinPath(windows, "c:\\app\\", "lib"), "c:\\app\\lib");
    EXPECT_EQ(joinPath(windows, "", "lib"), "lib");
}

TEST(PathStyle, VmLibrariesOfBothRuntimeLayouts) {
    EXPECT_EQ(vmLibraryCandidates(windows, "c:\\jre\\bin\\", "server"),
              std::vector<std::string>{"c:\\jre\\bin\\server\\jvm.dll"});
    const std::vector<std::string> expected = {
        "/jdk/bin/../lib/server/libjvm.so",
        "/jdk/bin/../lib/" + posix.architecture + "/server/libjvm.so",
        "/jdk/bin/../jre/lib/" + posix.architecture + "/server/libjvm.so"};
    EXPECT_EQ(vmLibraryCandidates(posix, "/jdk/bin/", "server"), expected);
}

TEST(PathStyle, PosixPathRules) {
    EXPECT_FALSE(isRelativePath("/usr/lib", posix));
    EXPECT_FALSE(isRelativePath("\"/usr/lib\"", posix));
    EXPECT_TRUE(isRelativePath("lib/x.jar", posix));
    EXPECT_TRUE(isRelativePath("", posix));
    EXPECT_TRUE(isRelativePath("c:\\x", posix));
    EXPECT_FALSE(isDriveRoot("c:\\", posix));
    std::u16string path = u"//a///b/";
    collapseBackslashes(path, u'/');
    EXPECT_EQ(path, u"//a/b/");
}

TEST(PathStyle, PosixRuntimeFiles) {
    EXPECT_EQ(javaExeDirectory("/jdk/bin/java", posix), "/jdk/bin/");
    EXPECT_EQ(windowedExecutable("/jdk/bin/java", posix), "/jdk/bin/java");
    EXPECT_EQ(windowedExecutable("c:\\j\\bin\\java.exe", windows), "c:\\j\\bin\\javaw.exe");
    // A POSIX path is one key as it stands and comes back unchanged.
    const std::string key = registryKeyForPath("k\\", "/jdk/bin/java", posix);
    EXPECT_EQ(key, "k\\/jdk/bin/java");
    EXPECT_EQ(pathFromRegistryKey("/jdk/bin/java", posix), "/jdk/bin/java");
    EXPECT_EQ(unpack200CommandLine("/jre", "/jre/lib/rt.jar.pack", "/jre/lib/rt.jar", posix),
              "\"/jre/bin/unpack200\" -r \"/jre/lib/rt.jar.pack\" \"/jre/lib/rt.jar\"");
}

TEST(PathStyle, PosixClassPathAndListSeparator) {
    EXPECT_EQ(listingPattern("/app/lib", "jar", posix), "/app/lib/*.jar");
    EXPECT_EQ(environmentClassPath("/a.jar:/b.jar", ':'), "/a.jar:/b.jar:");
    EXPECT_EQ(environmentClassPath("/a.jar:", ':'), "/a.jar:");
    ClassPathOption option("-Djava.class.path=", ':');
    option.appendElement("/a.jar");
    option.appendTerminated("/b.jar:/c.jar:");
    EXPECT_EQ(option.text(), "-Djava.class.path=/a.jar:/b.jar:/c.jar:");

    std::string text = "a${LUMEN_PATHLIST_SEPARATOR}b%TESSEL_PATHLIST_SEPARATOR%c";
    expandVariables(text, "/x/", "/t", {}, ":");
    EXPECT_EQ(text, "a:b:c");
}

TEST(PathStyle, VmOptionsFileOfAnExecutableWithoutSuffix) {
    EXPECT_EQ(vmOptionsFileCandidates("/opt/app/run", posix),
              std::vector<std::string>{"/opt/app/run.vmoptions"});
    EXPECT_EQ(vmOptionsFileCandidates("/opt/app/run.exe", posix),
              std::vector<std::string>{"/opt/app/run.vmoptions"});
    EXPECT_EQ(vmOptionsFileCandidates("c:\\app\\run.exe", windows),
              (std::vector<std::string>{"c:\\app\\run.vmoptions", "c:\\app\\run.exe.vmoptions"}));
}

} // namespace
} // namespace lumen
