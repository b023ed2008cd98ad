// The private directories the launcher makes in a shared temporary folder,
// against names that someone else took first.
#include "launcher/temp_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace lumen {
namespace {

namespace fs = std::filesystem;

// Draw n fills every byte with the digit pair "nn"; drawsLeft < 0: the
// source fails.
int draws = 0;
int drawsLeft = 0;
bool scriptedRandom(void* buffer, size_t size) {
    if (drawsLeft-- == 0) return false;
    std::memset(buffer, 0x11 * draws++, size);
    return true;
}

std::string nameOfDraw(int draw) {
    std::string digits;
    for (int i = 0; i < 16; ++i)
        digits += std::string(2, static_cast<char>('0' + draw));
    return "lmx" + digits + "_dir";
}

class PrivateDirectory : public ::testing::Test {
  protected:
    void SetUp() override {
        shared_ = fs::path(::testing::TempDir()) /
                  ("lumen_private_" + std::to_string(::getpid()) + "_" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(shared_);
        fs::create_directories(shared_);
        draws = 0;
        drawsLeft = 100;
    }
    void TearDown() override { fs::remove_all(shared_); }
    std::string log() const {
        std::string path;
        if (!launcher_.log.path(path)) return "";
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path shared_;
    Launcher launcher_;
};

TEST_F(PrivateDirectory, TakenNamesAreSkippedAndTheNewOneIsOwnerOnly) {
    // Another user got there first: a directory with a planted jar, and a
    // link to a directory of theirs.
    const fs::path planted = shared_ / nameOfDraw(0);
    fs::create_directory(planted);
    std::ofstream(planted / "app.jar") << "planted";
    const fs::path theirs = shared_ / "theirs";
    fs::create_directory(theirs);
    fs::create_directory_symlink(theirs, shared_ / nameOfDraw(1));

    std::string path;
    ASSERT_TRUE(createPrivateDirectoryIn(launcher_, shared_.string(), path, scriptedRandom));
    EXPECT_EQ(path, (shared_ / nameOfDraw(2)).string());
    struct stat info {};
    ASSERT_EQ(::lstat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_TRUE(fs::is_empty(path));
    EXPECT_TRUE(fs::is_empty(theirs)) << "nothing went through the link";
    EXPECT_TRUE(fs::is_symlink(shared_ / nameOfDraw(1)));
    EXPECT_EQ(std::distance(fs::directory_iterator(planted), fs::directory_iterator()), 1);
    const std::string text = log();
    EXPECT_NE(text.find("ERROR: " + planted.string() + " exists already; drawing another name"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(nameOfDraw(1) + " exists already"), std::string::npos) << text;
}

TEST_F(PrivateDirectory, NoRandomBytesOrEveryNameTakenIsAFailure) {
    std::string path;
    drawsLeft = 0;
    EXPECT_FALSE(createPrivateDirectoryIn(launcher_, shared_.string(), path, scriptedRandom));
    EXPECT_NE(log().find("ERROR: Could not draw random bytes"), std::string::npos);

    // A source stuck on one value never finds a free name.
    draws = 0;
    drawsLeft = 100;
    fs::create_directory(shared_ / nameOfDraw(0));
    const auto stuck = [](void* buffer, size_t size) {
        std::memset(buffer, 0, size);
        return true;
    };
    EXPECT_FALSE(createPrivateDirectoryIn(launcher_, shared_.string(), path, stuck));
    EXPECT_TRUE(path.empty());
    EXPECT_TRUE(fs::is_empty(shared_ / nameOfDraw(0)));
}

} // namespace
} // namespace lumen
