// Temporary directory and names, and the deletion lists' size limit.
#include <gtest/gtest.h>

#include "launcher/deletion.h"
#include "launcher/temp_files.h"
#include "launcher_test_support.h"

namespace lumen::wintest {
namespace {

using TempFiles = LauncherTest;

TEST_F(TempFiles, NamesLieInTheSystemTemporaryDirectory) {
    char system[MAX_PATH];
    GetTempPathA(sizeof system, system);
    EXPECT_EQ(chooseTempDirectory(), std::string(system)) << "with its trailing backslash";
    EXPECT_EQ(processFileName(1234), std::string(system) + "lmx_p1234.tmp");

    std::string first, second;
    ASSERT_TRUE(createTempFileIn(system, first));
    ASSERT_TRUE(createTempFileIn(system, second));
    EXPECT_NE(first, second);
    EXPECT_EQ(first.rfind(std::string(system) + "lmx", 0), 0u) << first;
    EXPECT_TRUE(fileExists(first)) << "the name is reserved by an empty file";
    DeleteFileA(first.c_str());
    DeleteFileA(second.c_str());

    TempDir writable("w");
    EXPECT_TRUE(isWritableDirectory(writable.path()));
    EXPECT_FALSE(fileExists(writable / "lmx_w_testdir")) << "the probe is removed again";
    EXPECT_FALSE(isWritableDirectory(writable / "missing"));
}

TEST_F(TempFiles, AFullDeletionListStaysWholeAndSaysWhatItLeftOut) {
    const std::string path = "c:\\" + std::string(2000, 'p');
    LogWatch log(launcher_);
    for (int i = 0; i < 5; ++i)
        scheduleFileDeletion(launcher_, path + std::to_string(i));
    std::string list;
    ASSERT_TRUE(readRegistryString(HKEY_CURRENT_USER, "SOFTWARE\\nordquill\\lumen\\temp",
                                   "delete_file", list));
    EXPECT_LE(list.size(), 8191u);
    EXPECT_EQ(list.back(), ';');
    EXPECT_EQ(list.find(path + "4"), std::string::npos);
    EXPECT_NE(list.find(path + "3;"), std::string::npos);
    EXPECT_EQ(log.count("is full"), 1u);
}

} // namespace
} // namespace lumen::wintest
