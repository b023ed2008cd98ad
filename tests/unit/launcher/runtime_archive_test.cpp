// The launcher's untar natively against GNU tar on a real runtime: the
// machine's JDK 17 with its links. Debian's JDK has links that leave its
// tree (into /etc and ../../openjdk-17) or dangle; the reader refuses an
// archive holding those, so the archive is made of a copy in which they are
// replaced by what they point at or dropped (scripts/portable_runtime_copy.py),
// while the links inside the tree stay links. GNU tar's extraction keeps
// those as links; the launcher's holds copies, so the trees are compared
// with the links followed. The archive is left uncompressed (zlib reads it
// unchanged; compressing 270 MB would take most of the test's time).
#include "launcher/runtime_archive.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace lumen {
namespace {

namespace fs = std::filesystem;

const char kJdk[] = "/usr/lib/jvm/java-17-openjdk-amd64";

size_t symlinksBelow(const fs::path& root) {
    size_t count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_symlink()) ++count;
    return count;
}

int run(const std::string& command) {
    const int status = std::system(command.c_str());
    EXPECT_EQ(status, 0) << command;
    return status;
}

TEST(RuntimeArchive, JdkUnpacksToTheFilesGnuTarGives) {
    const fs::path work =
        fs::path(::testing::TempDir()) / ("lumen_jdk_" + std::to_string(getpid()));
    fs::remove_all(work);
    fs::create_directories(work / "gnu");
    fs::create_directories(work / "jre");
    const std::string tree = (work / "tree").string();
    const std::string archive = (work / "jre.tar").string();
    ASSERT_EQ(run(std::string("python3 " LUMEN_SOURCE_DIR "/scripts/portable_runtime_copy.py ") +
                  kJdk + " '" + tree + "'"),
              0);
    ASSERT_GT(symlinksBelow(tree), 50u) << "the archive should carry the JDK's links";
    ASSERT_EQ(run("tar -C '" + tree + "' -cf '" + archive + "' ."), 0);
    ASSERT_EQ(run("tar -C '" + (work / "gnu").string() + "' -xf '" + archive + "'"), 0);

    Launcher launcher;
    const Result<bool> untarred =
        untarArchive(launcher, archive, (work / "jre").string(), nullptr, 0);
    ASSERT_TRUE(untarred);
    EXPECT_TRUE(untarred.value());
    EXPECT_EQ(symlinksBelow(work / "jre"), 0u) << "links are written as copies";
    EXPECT_EQ(run("diff -r '" + (work / "gnu").string() + "' '" + (work / "jre").string() + "'"),
              0);

    std::string log;
    if (launcher.log.path(log)) std::remove(log.c_str());
    fs::remove_all(work);
}

} // namespace
} // namespace lumen
