#include "core/java_runtime.h"

#include <gtest/gtest.h>

namespace lumen {
namespace {

TEST(JavaRuntime, VersionIsTheTextBetweenTheQuotes) {
    std::string version = "stale";
    ASSERT_TRUE(versionFromJavaOutput("java version \"1.4.2_08\"", false, version));
    EXPECT_EQ(version, "1.4.2_08");
    ASSERT_TRUE(versionFromJavaOutput("java version \"17.0.1\" 2021-10-19 LTS", false, version));
    EXPECT_EQ(version, "17.0.1") << "what follows the closing quote is not the version";
    ASSERT_TRUE(versionFromJavaOutput("openjdk version \"17\" 2021-09-14", true, version));
    EXPECT_EQ(version, "17");
    version = "kept";
    EXPECT_FALSE(versionFromJavaOutput("openjdk version \"17\" 2021-09-14", false, version))
        << "only where the platform accepts that form";
    EXPECT_EQ(version, "kept");
    ASSERT_TRUE(versionFromJavaOutput("java version \"\"", false, version));
    EXPECT_EQ(version, "");

    version = "kept";
    EXPECT_FALSE(versionFromJavaOutput("java version \"1.4.2_08", false, version))
        << "no closing quote";
    EXPECT_FALSE(versionFromJavaOutput("IBM java version \"1.4\"", false, version));
    EXPECT_FALSE(versionFromJavaOutput("Java version \"1.4\"", false, version));
    EXPECT_FALSE(versionFromJavaOutput(std::string(65536, 'x'), false, version));
    EXPECT_FALSE(versionFromJavaOutput("", false, version));
    EXPECT_EQ(version, "kept");
}

TEST(JavaRuntime, VersionLineFormsAdmitTheirFirstWords) {
    using F = VersionLineForms;
    const struct {
        const char* line;
        bool java, openJdk, anyWord; // accepted under each form
        const char* version;
    } cases[] = {
        {"java version \"1.8.0_202\"", true, true, true, "1.8.0_202"},
        {"openjdk version \"17.0.9\" 2023-10-17", false, true, true, "17.0.9"},
        {"openjdk version \"22-ea\" 2024-03-19", false, true, true, "22-ea"},
        {"semeru version \"21.0.4\"", false, false, true, "21.0.4"},
        {"IBM java version \"1.4\"", false, false, false, ""},
        {"openjdk  version \"17\"", false, false, false, ""},
        {" version \"17\"", false, false, false, ""},
        {"\"x\" version \"17\"", false, false, false, ""},
        {"Picked up JAVA_TOOL_OPTIONS: -Xmx1g", false, false, false, ""},
        {"openjdk version \"17", false, false, false, ""},
    };
    for (const auto& c : cases) {
        const std::pair<F, bool> forms[] = {
            {F::JavaOnly, c.java}, {F::JavaOrOpenJdk, c.openJdk}, {F::AnyWord, c.anyWord}};
        for (const auto& [form, accepted] : forms) {
            std::string version = "kept";
            EXPECT_EQ(versionFromJavaOutput(c.line, form, version), accepted)
                << c.line << " form " << static_cast<int>(form);
            EXPECT_EQ(version, accepted ? c.version : "kept") << c.line;
        }
    }
}

TEST(JavaRuntime, DevelopmentKitMarkers) {
    EXPECT_EQ(developmentKitMarkers("c:\\jdk", false),
              (std::vector<std::string>{"c:\\jdk\\lib\\tools.jar"}));
    EXPECT_EQ(developmentKitMarkers("c:\\jdk\\", true),
              (std::vector<std::string>{"c:\\jdk\\lib\\tools.jar", "c:\\jdk\\bin\\javac.exe"}));
    EXPECT_EQ(developmentKitMarkers("/usr/lib/jvm/x", true, PathStyle::posix()).back(),
              "/usr/lib/jvm/x/bin/javac");
}

TEST(JavaRuntime, WindowedExecutableAndDirectories) {
    EXPECT_EQ(windowedExecutable("c:\\j\\bin\\java.exe"), "c:\\j\\bin\\javaw.exe");
    EXPECT_EQ(javaExeDirectory("c:\\j\\bin\\java.exe"), "c:\\j\\bin\\");
    EXPECT_EQ(javaExeDirectory("c:\\j\\bin\\javaw.exe"), "c:\\j\\bin\\");
    EXPECT_EQ(javaExeDirectory("x"), "");
}

TEST(JavaRuntime, RegistryKeysHoldWholePaths) {
    const std::string key = registryKeyForPath("SOFTWARE\\nordquill\\lumen\\jvms\\",
                                               "c:\\program files\\java\\bin\\java.exe");
    EXPECT_EQ(key, "SOFTWARE\\nordquill\\lumen\\jvms\\c:/program files/java/bin/java.exe");
    EXPECT_EQ(pathFromRegistryKey("c:/a b/java.exe"), "c:\\a b\\java.exe");
}

TEST(JavaRuntime, VersionKeysAreTriedGreatestFirst) {
    std::vector<std::string> keys = {"1.4", "1.3.1_02", "1.4.2_08", "1.3", "1.4.2"};
    orderVersionKeysForTrial(keys);
    EXPECT_EQ(keys, (std::vector<std::string>{"1.4.2_08", "1.4.2", "1.4", "1.3.1_02", "1.3"}));
    keys = {"1.\xe9", "1.9"};
    orderVersionKeysForTrial(keys);
    EXPECT_EQ(keys.front(), "1.\xe9") << "bytes compare unsigned";
}

TEST(JavaRuntime, VersionKeysByNumberAreTriedGreatestFirst) {
    std::vector<std::string> keys = {"1.8",     "17",    "9",  "11.0.2", "25.0.3",
                                     "17.0.15", "22-ea", "22", "x",      "8"};
    orderVersionKeysByNumber(keys);
    EXPECT_EQ(keys, (std::vector<std::string>{"25.0.3", "22", "22-ea", "17.0.15", "17", "11.0.2",
                                              "9", "1.8", "8", "x"}))
        << "equal numbers keep their order";
}

TEST(JavaRuntime, SearchSequenceSkipsEmptyEntries) {
    const auto entries = parseSearchSequence(";Y;;EJAVA_HOME;S;Bjre;x;");
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].letter, 'Y');
    EXPECT_EQ(entries[0].argument, "");
    EXPECT_EQ(entries[1].letter, 'E');
    EXPECT_EQ(entries[1].argument, "JAVA_HOME");
    EXPECT_EQ(entries[3].argument, "jre");
    EXPECT_EQ(entries[4].letter, 'x');
    EXPECT_TRUE(parseSearchSequence("").empty());
}

TEST(JavaRuntime, UnpackCommandQuotesEveryPath) {
    EXPECT_EQ(unpack200CommandLine("c:\\my jre", "c:\\my jre\\lib\\rt.jar.pack",
                                   "c:\\my jre\\lib\\rt.jar"),
              "\"c:\\my jre\\bin\\unpack200.exe\" -r \"c:\\my jre\\lib\\rt.jar.pack\" "
              "\"c:\\my jre\\lib\\rt.jar\"");
}

} // namespace
} // namespace lumen
