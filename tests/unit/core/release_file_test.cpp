#include "core/release_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "core/java_runtime.h"
#include "core/java_version.h"

namespace lumen {
namespace {

TEST(ReleaseFile, ReadsTheKeysOfARealLayout) {
    const ReleaseInfo info = parseReleaseFile("IMPLEMENTOR=\"Eclipse Adoptium\"\n"
                                              "JAVA_RUNTIME_VERSION=\"17.0.9+9\"\n"
                                              "JAVA_VERSION=\"17.0.9\"\n"
                                              "MODULES=\"java.base java.logging\"\n"
                                              "OS_ARCH=\"x86_64\"\n");
    EXPECT_EQ(info.implementor, "Eclipse Adoptium");
    EXPECT_EQ(info.javaVersion, "17.0.9");
    EXPECT_EQ(info.runtimeVersion, "17.0.9+9");
    EXPECT_EQ(info.version, "17.0.9");
    EXPECT_EQ(info.arch, CpuArch::X64);
}

TEST(ReleaseFile, ToleratesWhatHandsAndToolsDoToIt) {
    const struct {
        const char* text;
        const char* version;
        CpuArch arch;
    } cases[] = {
        {"\xEF\xBB\xBFJAVA_VERSION=\"11.0.2\"\r\nOS_ARCH=\"amd64\"\r\n", "11.0.2", CpuArch::X64},
        {"JAVA_VERSION=\"1.8.0_301\"\rOS_ARCH=\"i586\"", "1.8.0_301", CpuArch::X86},
        {"# a comment\n\n  JAVA_VERSION = 21  \nOS_ARCH='aarch64'\n", "21", CpuArch::Arm64},
        {"JAVA_VERSION=\"21\nOS_ARCH=\"sparcv9\"\n", "21", CpuArch::Other},
        {"JAVA_VERSION=\"9\"\nJAVA_VERSION=\"10\"\n", "10", CpuArch::Unknown},
        {"junk\n=\"17\"\nXJAVA_VERSION=\"17\"\nJAVA VERSION=\"17\"\n", "", CpuArch::Unknown},
        {"JAVA_VERSION=\"seventeen\"\n", "", CpuArch::Unknown},
        {"JAVA_VERSION=\"\"\n", "", CpuArch::Unknown},
        {"", "", CpuArch::Unknown},
        {"JAVA_VERSION=\"22\"\nJAVA_RUNTIME_VERSION=\"22-ea+27-2262\"\n", "22-ea",
         CpuArch::Unknown},
        {"JAVA_VERSION=\"25.0.3\"\nJAVA_RUNTIME_VERSION=\"25.0.3+9-LTS\"\n", "25.0.3",
         CpuArch::Unknown},
        {"JAVA_VERSION=\"17\"\nJAVA_RUNTIME_VERSION=\"17.0.1-ea\"\n", "17", CpuArch::Unknown},
    };
    for (const auto& c : cases) {
        const ReleaseInfo info = parseReleaseFile(c.text);
        EXPECT_EQ(info.version, c.version) << c.text;
        EXPECT_EQ(info.arch, c.arch) << c.text;
    }
}

TEST(ReleaseFile, ACutTextYieldsNoHalfValue) {
    const std::string head = "JAVA_VERSION=\"17.0.9\"\nMODULES=\"";
    std::string text = head + std::string(kReleaseFileMaxBytes - head.size() - 1, 'm') + "\"\n";
    EXPECT_EQ(parseReleaseFile(text).version, "17.0.9");
    // The cap falls right behind "17" of "17.0.15".
    text = std::string(kReleaseFileMaxBytes - 16, '\n') + "JAVA_VERSION=\"17.0.15\"\n";
    EXPECT_EQ(parseReleaseFile(text).version, "");
    text = std::string(kReleaseFileMaxBytes * 4, 'x') + "\nJAVA_VERSION=\"17\"\n";
    EXPECT_EQ(parseReleaseFile(text).version, "") << "nothing behind the cap is seen";
}

std::string firstLineOf(const std::string& command) {
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return std::string();
    char buffer[256] = {};
    const bool read = std::fgets(buffer, sizeof buffer, pipe) != nullptr;
    pclose(pipe);
    std::string line = read ? buffer : "";
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return line;
}

// The machine's runtimes (17.0.x, and 25.0.x where installed): each release
// file answers what " -version" answers, and the numeric rules place both
// where the classic rules did not.
TEST(ReleaseFile, AgreesWithTheMachinesRuntimes) {
    int seen = 0;
    for (const char* home :
         {"/usr/lib/jvm/java-17-openjdk-amd64", "/usr/lib/jvm/temurin-25-jdk-amd64"}) {
        std::ifstream file(std::string(home) + "/release", std::ios::binary);
        if (!file) continue;
        std::ostringstream text;
        text << file.rdbuf();
        const ReleaseInfo info = parseReleaseFile(text.str());
        std::string reported;
        ASSERT_TRUE(
            versionFromJavaOutput(firstLineOf(std::string(home) + "/bin/java -version 2>&1"),
                                  VersionLineForms::AnyWord, reported))
            << home;
        EXPECT_EQ(info.version, reported) << home;
        EXPECT_EQ(info.arch, CpuArch::X64) << home;
        EXPECT_TRUE(versionInRangeByNumbers(reported, "9", "", false, false)) << reported;
        EXPECT_FALSE(versionInRangeByNumbers(reported, "", "9", false, false)) << reported;
        EXPECT_FALSE(versionInRangeByNumbers(reported, "", "17.0.2", false, false)) << reported;
        ++seen;
    }
    EXPECT_GT(seen, 0) << "OpenJDK 17 is part of the machine's set-up";
}

} // namespace
} // namespace lumen
