// Error reports hand this run's unpacked files to the deferred deletion,
// also when the report does not end the process.
#include <gtest/gtest.h>

#include "launcher_test_support.h"

namespace lumen::wintest {
namespace {

using ErrorReports = LauncherTest;

TEST_F(ErrorReports, AReportThatReturnsStillSchedulesTheUnpackedFiles) {
    LogWatch log(launcher_); // the log exists, so reports name it
    launcher_.unpacked.addFile("c:\\temp\\lmx1.tmp_dir5\\a.jar");
    launcher_.unpacked.addDirectory("c:\\temp\\lmx1.tmp_dir5");
    setProperty(1006, "Missing %FILE_NAME% and %FILE_NAME%");
    StderrCapture captured;
    reportFailure(launcher_, Failure::configured(Property::MessageClassPathMissing, "%FILE_NAME%",
                                                 "lib\\x.jar"));
    EXPECT_EQ(captured.text(), reportOf(launcher_, "Missing lib\\x.jar and %FILE_NAME%"));
    std::string files, directories;
    ASSERT_TRUE(readRegistryString(HKEY_CURRENT_USER, "SOFTWARE\\nordquill\\lumen\\temp",
                                   "delete_file", files));
    ASSERT_TRUE(readRegistryString(HKEY_CURRENT_USER, "SOFTWARE\\nordquill\\lumen\\temp",
                                   "delete_dir", directories));
    EXPECT_EQ(files, "c:\\temp\\lmx1.tmp_dir5\\a.jar;");
    EXPECT_EQ(directories, "c:\\temp\\lmx1.tmp_dir5;");
}

} // namespace
} // namespace lumen::wintest
