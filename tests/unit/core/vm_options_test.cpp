#include "core/vm_options.h"

#include <gtest/gtest.h>

#include "core/property_store.h"

namespace lumen {
namespace {

using Lines = std::vector<std::string>;
const size_t kMax = kTextBufferSize - 1;

TEST(VmOptionFile, EveryLineIsOneOptionAsWritten) {
    EXPECT_EQ(vmOptionFileLines("-Xmx512m\n-Dx=1"), (Lines{"-Xmx512m", "-Dx=1"}));
    EXPECT_EQ(vmOptionFileLines("a\n\nb\n"), (Lines{"a", "", "b"}));
    EXPECT_EQ(vmOptionFileLines("   \n# not a comment\n \"quoted\" ${X}\n"),
              (Lines{"   ", "# not a comment", " \"quoted\" ${X}"}));
    EXPECT_EQ(vmOptionFileLines("a\r\r\n\n"), (Lines{"a", ""}));
    EXPECT_EQ(vmOptionFileLines("a\rb\n"), Lines{"a\rb"});
    EXPECT_EQ(vmOptionFileLines("\n"), Lines{""});
    EXPECT_TRUE(vmOptionFileLines("").empty());
    EXPECT_EQ(vmOptionFileLines(std::string("ab\0cd\nx", 7)), (Lines{"ab", "x"}));
}

TEST(VmOptionFile, LongLinesArriveInBufferSizedPieces) {
    const std::string a(kMax, 'a'), b(kMax, 'b');
    EXPECT_EQ(vmOptionFileLines(a + b + "cc\nnext\n"), (Lines{a, b, "cc", "next"}));
    EXPECT_EQ(vmOptionFileLines(a + "c"), (Lines{a, "c"}));
    EXPECT_EQ(vmOptionFileLines(std::string(kMax - 1, 'a') + "\nx"),
              (Lines{std::string(kMax - 1, 'a'), "x"}));
}

TEST(VmOptionFile, LineFillingTheBufferExactlyMakesNoExtraEmptyOption) {
    const std::string a(kMax, 'a'), b(kMax, 'b');
    EXPECT_EQ(vmOptionFileLines(a + "\nnext"), (Lines{a, "next"}));
    EXPECT_EQ(vmOptionFileLines(a + b + "\n"), (Lines{a, b}));
    EXPECT_EQ(vmOptionFileLines(a + "\n\nnext"), (Lines{a, "", "next"})) << "a real empty line";
    const std::string cr = std::string(kMax - 1, 'a') + "\r";
    EXPECT_EQ(vmOptionFileLines(cr + "\nnext"), (Lines{std::string(kMax - 1, 'a'), "next"}));
}

TEST(VmOptionFile, CandidatesCutFourCharactersWhateverTheyAre) {
    EXPECT_EQ(vmOptionsFileCandidates("c:\\apps\\setup.exe"),
              (Lines{"c:\\apps\\setup.vmoptions", "c:\\apps\\setup.exe.vmoptions"}));
    EXPECT_EQ(vmOptionsFileCandidates("c:\\apps\\setupexe"),
              (Lines{"c:\\apps\\setu.vmoptions", "c:\\apps\\setupexe.vmoptions"}));
    EXPECT_EQ(vmOptionsFileCandidates("abc"), (Lines{".vmoptions", "abc.vmoptions"}));
}

TEST(VmOptionList, SourcesInTheirFixedOrder) {
    VmOptionSources sources;
    sources.leading = {"-Dlumen.semaphoreName=s", "-Dlumen.tempDir=t"};
    sources.fileOptions = {"-Xss1m", ""};
    sources.classPath = "-Djava.class.path=a.jar;";
    sources.parameters = {"-Dsun.java2d.noddraw=true"};
    sources.vmArguments = {"-Xmx512m"};
    sources.javaCommand = "-Dsun.java.command=Main a";
    size_t leftOut = 99;
    EXPECT_EQ(assembleVmOptions(sources, &leftOut),
              (Lines{"-Dlumen.semaphoreName=s", "-Dlumen.tempDir=t", "-Xss1m", "",
                     "-Djava.class.path=a.jar;", "-Dsun.java2d.noddraw=true", "-Xmx512m",
                     "-Dsun.java.command=Main a"}));
    EXPECT_EQ(leftOut, 0u);

    VmOptionSources bare;
    bare.classPath = "-Djava.class.path=";
    EXPECT_EQ(assembleVmOptions(bare, nullptr), Lines{"-Djava.class.path="});
}

TEST(VmOptionList, AnOptionTooLongForItsBufferIsLeftOutWhole) {
    VmOptionSources sources;
    sources.classPath = "-Djava.class.path=";
    sources.vmArguments = {std::string(kMax + 1, 'x'), "-Xmx1g", std::string(kMax, 'y')};
    size_t leftOut = 0;
    const Lines options = assembleVmOptions(sources, &leftOut);
    EXPECT_EQ(options, (Lines{"-Djava.class.path=", "-Xmx1g", std::string(kMax, 'y')}));
    EXPECT_EQ(leftOut, 1u);
}

TEST(VmOptionList, VmArgumentsComeFromEveryCommandLineElement) {
    EXPECT_EQ(vmArgumentsOf({u"app.exe", u"-J-Xmx512m", u"file.txt", u"-j-x", u"x-J", u"-J"}),
              (std::vector<std::u16string>{u"-Xmx512m", u""}));
    EXPECT_EQ(vmArgumentsOf({u"-Jodd.exe"}), std::vector<std::u16string>{u"odd.exe"});
}

TEST(JavaCommandOption, MainClassThenArgumentsJoinedByOneSpace) {
    const struct {
        std::string mainClass;
        Lines arguments;
        std::string expected;
    } cases[] = {
        {"org.example.Main", {}, "-Dsun.java.command=org.example.Main"},
        {"Main", {"-f", "build.xml"}, "-Dsun.java.command=Main -f build.xml"},
        // Blanks stay unquoted, empty arguments still get their space.
        {"Main", {"a b", "", "c"}, "-Dsun.java.command=Main a b  c"},
        {"", {"x"}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(javaCommandOption(c.mainClass, c.arguments), c.expected) << c.mainClass;
}

TEST(JavaCommandOption, LeavesOffTheArgumentsThatDoNotFit) {
    const std::string prefix = "-Dsun.java.command=M";
    const std::string fits(kMax - prefix.size() - 1, 'a');
    EXPECT_EQ(javaCommandOption("M", {fits, "b"}), prefix + " " + fits);
    EXPECT_EQ(javaCommandOption("M", {fits + "a", "b"}), prefix);
    EXPECT_EQ(javaCommandOption("M", {"x", fits}), prefix + " x");
    EXPECT_EQ(javaCommandOption(std::string(kMax, 'M'), {}), "");
}

} // namespace
} // namespace lumen
