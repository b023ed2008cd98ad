#include "core/command_line.h"

#include <gtest/gtest.h>

#include "core/property_store.h"
#include "core/report_text.h"

namespace lumen {
namespace {

TEST(CommandLine, TailSkipsTheProgramName) {
    EXPECT_EQ(commandTailOf("app.exe -q x"), "-q x");
    EXPECT_EQ(commandTailOf("  \t\"c:\\program files\\app.exe\"  \t/manual"), "/manual");
    EXPECT_EQ(commandTailOf("\"c:\\a b\\app.exe\"-q"), "-q") << "tail begins right after the quote";
    EXPECT_EQ(commandTailOf("\"unterminated quote"), "");
    EXPECT_EQ(commandTailOf("app.exe"), "");
    EXPECT_EQ(commandTailOf(""), "");
    EXPECT_EQ(commandTailOf("app.exe\targ  "), "arg  ") << "trailing blanks stay";
}

TEST(CommandLine, SwitchesAreCaseSensitiveAndWholeWhereRequired) {
    EXPECT_TRUE(isQuietSwitch("-q"));
    EXPECT_TRUE(isQuietSwitch("-quiet"));
    EXPECT_TRUE(isQuietSwitch("-q other args"));
    EXPECT_FALSE(isQuietSwitch("-Q"));
    EXPECT_FALSE(isQuietSwitch(" -q"));

    EXPECT_TRUE(isManualSwitch("/manual"));
    EXPECT_TRUE(isManualSwitch("-manual"));
    EXPECT_FALSE(isManualSwitch("/manual x"));
    EXPECT_FALSE(isManualSwitch("/MANUAL"));

    EXPECT_TRUE(isRestartSwitch("__tsx_reboot"));
    EXPECT_FALSE(isRestartSwitch("__tsx_reboot "));
    EXPECT_FALSE(isRestartSwitch("x __tsx_reboot"));
}

TEST(ReportText, PlaceholderReplacesOnlyItsFirstOccurrence) {
    std::string text = "An internal error occurred (error code: %ERROR_CODE%)";
    replaceFirst(text, "%ERROR_CODE%", "7");
    EXPECT_EQ(text, "An internal error occurred (error code: 7)");
    text = "%FILE_NAME% and %FILE_NAME%";
    replaceFirst(text, "%FILE_NAME%", "a.jar");
    EXPECT_EQ(text, "a.jar and %FILE_NAME%");
    text = "no placeholder";
    replaceFirst(text, "%X%", "y");
    EXPECT_EQ(text, "no placeholder");
}

TEST(ReportText, ReportsCarryTheLogPathOnlyWhenThereIsOne) {
    const std::string path = "c:\\temp\\tsx_nlog_1";
    EXPECT_EQ(composeReport("Internal Error: magic", &path),
              "Internal Error: magic\n\nLog: c:\\temp\\tsx_nlog_1");
    EXPECT_EQ(composeReport("alone", nullptr), "alone");
    const std::u16string widePath = u"c:\\l";
    EXPECT_EQ(composeReportWide(u"w", &widePath), u"w\n\nLog: c:\\l");
    EXPECT_EQ(composeReport(std::string(kTextBufferSize, 'x'), &path).size(), kTextBufferSize - 1);
}

TEST(ReportText, LogLinesAndNames) {
    EXPECT_EQ(logLine(true, "Could not open x"), "ERROR: Could not open x\n");
    EXPECT_EQ(logLine(false, "Init"), "Init\n");
    EXPECT_EQ(logHeader("c:\\a.exe", "Tue Dec  8 04:00:00 2026\n"),
              "Started executable c:\\a.exe at Tue Dec  8 04:00:00 2026\n\n");
    const std::string first = logFileName(0x1234, 99, 0);
    EXPECT_EQ(first.rfind("tsx_nlog_", 0), 0u);
    EXPECT_NE(first, logFileName(0x1234, 99, 1));
    EXPECT_NE(first, logFileName(0x1235, 99, 0));
}

} // namespace
} // namespace lumen

namespace lumen {
namespace {

TEST(CommandTailWide, HandsOverWhatFollowsTheProgramName) {
    EXPECT_EQ(commandTailWide(u"\"c:\\program files\\app.exe\" -x y"), u"-x y");
    EXPECT_EQ(commandTailWide(u"app.exe"), u"");
    EXPECT_EQ(commandTailWide(u"app.exe   a  b "), u"a  b ");
    // Only blanks separate: a tab is part of the program name's word.
    EXPECT_EQ(commandTailWide(u"app.exe\t-q"), u"");
    EXPECT_EQ(commandTailWide(u"\"unterminated -x"), u"");
    // The closing quote need not be followed by a blank at once.
    EXPECT_EQ(commandTailWide(u"\"c:\\a b\\x.exe\"more \u00e9"), u"\u00e9");
}

} // namespace
} // namespace lumen
