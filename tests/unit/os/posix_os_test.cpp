// The POSIX side of the OS layer: the file-backed registry, UTF-8 texts,
// child processes and path forms.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "os/file.h"
#include "os/paths.h"
#include "os/process.h"
#include "os/registry.h"
#include "os/sync.h"
#include "os/text.h"

namespace lumen::os {
namespace {

class PosixRegistry : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/lumen-registry-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = pattern;
        ::setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
        ::setenv("LUMEN_SYSTEM_CONFIG_DIR", (root_ + "/machine").c_str(), 1);
    }
    void TearDown() override {
        const std::string command = "rm -rf '" + root_ + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    std::string root_;
};

TEST_F(PosixRegistry, ValuesSurviveReopeningWithTheirTypes) {
    {
        RegistryKey key = RegistryKey::create(RegistryRoot::CurrentUser, "SOFTWARE\\a\\b\\");
        ASSERT_TRUE(key.valid());
        EXPECT_TRUE(key.writeString("Version", "17.0.2", false));
        const uint8_t stamp[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        EXPECT_TRUE(key.writeBinary("LastWriteTime", stamp, sizeof stamp));
        EXPECT_TRUE(key.writeDword("InstallStarted", 0x01020304));
    }
    RegistryKey key = RegistryKey::openForReading(RegistryRoot::CurrentUser, "SOFTWARE\\a\\b");
    ASSERT_TRUE(key.valid());
    std::string text;
    EXPECT_TRUE(key.readString("Version", text, 100));
    EXPECT_EQ(text, "17.0.2");
    EXPECT_FALSE(key.readString("Version", text, 6)) << "longer than the buffer";
    EXPECT_TRUE(key.readString("Version", text, 6, true));
    EXPECT_EQ(text, "17.0.");
    uint8_t stamp[8] = {};
    EXPECT_TRUE(key.readBinaryExact("LastWriteTime", stamp, sizeof stamp));
    EXPECT_EQ(stamp[7], 8);
    EXPECT_FALSE(key.readBinaryExact("LastWriteTime", stamp, 4)) << "wrong size";
    uint32_t word = 0;
    EXPECT_TRUE(key.readDword("InstallStarted", word));
    EXPECT_EQ(word, 0x01020304u);
    EXPECT_FALSE(key.readDword("Version", word)) << "a string is not a word";
    EXPECT_FALSE(key.readString("Missing", text, 100));
    EXPECT_FALSE(RegistryKey::openForReading(RegistryRoot::CurrentUser, "SOFTWARE\\none").valid());
    EXPECT_FALSE(RegistryKey::openForReading(RegistryRoot::LocalMachine, "SOFTWARE\\a").valid());
}

TEST_F(PosixRegistry, OnlyAChangedValueIsWrittenAgain) {
    RegistryKey key = RegistryKey::create(RegistryRoot::CurrentUser, "SOFTWARE\\w");
    ASSERT_TRUE(key.writeDword("Flag", 1));
    const std::string file = root_ + "/lumen/SOFTWARE/w/Flag";
    const auto inode = [&file] {
        struct stat info {};
        return ::stat(file.c_str(), &info) == 0 ? info.st_ino : 0;
    };
    const ino_t first = inode();
    ASSERT_NE(first, 0u) << file;
    EXPECT_TRUE(key.writeDword("Flag", 1));
    EXPECT_EQ(inode(), first) << "an unchanged value is not replaced";
    EXPECT_TRUE(key.writeBinary("Flag", "\1\0\0\0", 4));
    EXPECT_NE(inode(), first) << "same bytes, another type";
    uint32_t word = 0;
    EXPECT_FALSE(key.readDword("Flag", word));
    EXPECT_TRUE(key.writeDword("Flag", 2));
    EXPECT_TRUE(key.readDword("Flag", word));
    EXPECT_EQ(word, 2u);
}

TEST_F(PosixRegistry, PathsAreOneKeyEachAndListBackUnchanged) {
    const std::string parent = "SOFTWARE\\lumen\\locatedjvms\\";
    for (const char* path : {"/usr/lib/jvm/a/bin/java", "/opt/100%/../java", ".hidden"})
        ASSERT_TRUE(RegistryKey::create(RegistryRoot::CurrentUser, parent + path).valid()) << path;
    RegistryKey key = RegistryKey::openForReading(RegistryRoot::CurrentUser, parent);
    std::vector<std::string> names;
    std::string name;
    for (uint32_t i = 0; key.subKeyName(i, name); ++i)
        names.push_back(name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".hidden", "/opt/100%/../java",
                                               "/usr/lib/jvm/a/bin/java"}));
    // Nothing escaped the store's directory.
    struct stat info;
    EXPECT_NE(::stat((root_ + "/lumen/SOFTWARE/lumen/locatedjvms/usr").c_str(), &info), 0);
}

// The launcher's shared lists rely on it: two threads adding under the lock
// lose no update (a lock that does not exclude loses some of these).
TEST(OsMutex, ExcludesOtherThreads) {
    Mutex mutex;
    long counter = 0;
    auto add = [&] {
        for (int i = 0; i < 200000; ++i) {
            const std::lock_guard<Mutex> lock(mutex);
            const long seen = counter;
            if (i % 64 == 0) std::this_thread::yield();
            counter = seen + 1;
        }
    };
    std::thread other(add);
    add();
    other.join();
    EXPECT_EQ(counter, 400000);
}

TEST(PosixText, Utf8RoundTripAndMalformedInput) {
    const std::string text = "J\xC3\xBCrgen \xF0\x9F\x98\x80";
    const std::u16string wide = wideFromNarrow(text);
    EXPECT_EQ(wide, u"J\u00FCrgen \U0001F600");
    bool lossless = false;
    EXPECT_EQ(narrowFromWide(wide, &lossless), text);
    EXPECT_TRUE(lossless);
    EXPECT_EQ(wideFromNarrow("a\xFF"
                             "b\xC0\xAF"
                             "c\xE2\x82"),
              u"a\uFFFDb\uFFFD\uFFFDc\uFFFD\uFFFD");
    narrowFromWide(std::u16string(1, char16_t(0xD800)), &lossless);
    EXPECT_FALSE(lossless);
}

TEST(PosixProcess, ExitCodeStandardErrorAndTimeLimit) {
    char pattern[] = "/tmp/lumen-process-XXXXXX";
    const int fd = ::mkstemp(pattern);
    ASSERT_GE(fd, 0);
    ::close(fd);
    unsigned long code = 0;
    // Quoting as on Windows; no shell sees the arguments.
    ASSERT_TRUE(
        runHidden("\"/bin/sh\" -c \"echo 'it is $HOME' >&2; exit 3\"", pattern, 5000, code));
    EXPECT_EQ(code, 3u);
    std::ifstream in(pattern);
    std::string line;
    std::getline(in, line);
    // The single quotes reached sh as they stand: nothing expanded $HOME on the way.
    EXPECT_EQ(line, "it is $HOME");
    EXPECT_TRUE(runHidden("/bin/sleep 5", pattern, 200, code));
    EXPECT_EQ(code, kStillActive);
    EXPECT_FALSE(runHidden("/nonexistent/program -version", pattern, 1000, code));

    // A descriptor the parent opened without O_CLOEXEC does not reach the
    // child: writing to it there fails.
    char marker[] = "/tmp/lumen-marker-XXXXXX";
    const int markerFd = ::mkstemp(marker);
    ASSERT_GE(markerFd, 0);
    const std::string command = "\"/bin/sh\" -c \"echo leaked >&" + std::to_string(markerFd) + "\"";
    ASSERT_TRUE(runHidden(command, pattern, 5000, code));
    EXPECT_NE(code, 0u);
    struct stat info {};
    ASSERT_EQ(::fstat(markerFd, &info), 0);
    EXPECT_EQ(info.st_size, 0) << "the child wrote through the parent's descriptor";
    ::close(markerFd);
    ::unlink(marker);
    ::unlink(pattern);
}

TEST(PosixPaths, AbsoluteFormsAndSearch) {
    std::string out;
    ASSERT_TRUE(absolutePath("/a/./b/../c//d/", out));
    EXPECT_EQ(out, "/a/c/d/");
    ASSERT_TRUE(absolutePath("/..", out));
    EXPECT_EQ(out, "/");
    ASSERT_TRUE(absolutePath("x", out));
    EXPECT_EQ(out.front(), '/');
    EXPECT_EQ(out.back(), 'x');
    EXPECT_TRUE(findFile("/proc/self/ex?", nullptr));
    EXPECT_FALSE(findFile("/proc/self/nothing*", nullptr));
    EXPECT_TRUE(searchPath("sh", out));
    EXPECT_EQ(out.front(), '/');
}

} // namespace
} // namespace lumen::os

namespace lumen::os {
namespace {

TEST(PosixInstanceClaim, OneHolderPerNameUntilItsProcessEnds) {
    const std::string name = "/tmp/lumen-claim-test-" + std::to_string(::getpid());
    // A child holds the claim and ends: the kernel drops its lock.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(claimInstance(name) == InstanceClaim::First ? 0 : 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_EQ(WEXITSTATUS(status), 0);

    EXPECT_EQ(claimInstance(name), InstanceClaim::First);
    EXPECT_EQ(claimInstance(name), InstanceClaim::AlreadyHeld);
    EXPECT_EQ(claimInstance(name + "/other"), InstanceClaim::First);
}

TEST(PosixInstanceClaim, LockFileOfAnotherUserIsNotThisUsersClaim) {
    if (::getuid() != 0) GTEST_SKIP() << "needs root to give a file to another user";
    char directory[] = "/tmp/lumen-claims-XXXXXX";
    ASSERT_NE(::mkdtemp(directory), nullptr);
    ::setenv("XDG_RUNTIME_DIR", directory, 1);
    const std::string name = "c:\\apps\\foreign.exe";
    // The name's lock file, made once and then handed to another user who
    // holds a lock on it.
    const pid_t maker = ::fork();
    ASSERT_GE(maker, 0);
    if (maker == 0) _exit(claimInstance(name) == InstanceClaim::First ? 0 : 1);
    int status = 0;
    ASSERT_EQ(::waitpid(maker, &status, 0), maker);
    std::string found;
    for (const std::string& entry : findMatchingNames(std::string(directory) + "/lumen-*.lock"))
        found = std::string(directory) + "/" + entry;
    ASSERT_FALSE(found.empty());
    ASSERT_EQ(::chown(found.c_str(), 65534, 65534), 0);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        const int fd = ::open(found.c_str(), O_RDWR);
        const bool held = fd >= 0 && ::flock(fd, LOCK_EX) == 0;
        (void)!::write(ready[1], held ? "1" : "0", 1);
        ::pause();
        _exit(0);
    }
    char held = '0';
    ASSERT_EQ(::read(ready[0], &held, 1), 1);
    EXPECT_EQ(held, '1');
    EXPECT_EQ(claimInstance(name), InstanceClaim::First);
    ::kill(holder, SIGKILL);
    ::waitpid(holder, &status, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    ::unlink(found.c_str());
    ::rmdir(directory);
    ::unsetenv("XDG_RUNTIME_DIR");
}

// Whether a child process (another launcher) sees path as in use.
bool inUseForAnotherProcess(const std::string& path) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(isInUse(path) ? 1 : 0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

TEST(PosixInUseMarks, HeldForTheMarksLifeNeverThroughALink) {
    char pattern[] = "/tmp/lumen-marks-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string root = pattern;
    const std::string directory = root + "/lmx_dir";
    const std::string file = root + "/log";
    const std::string link = root + "/link";
    ASSERT_EQ(::mkdir(directory.c_str(), 0700), 0);
    std::ofstream(file) << "x";
    ASSERT_EQ(::symlink(directory.c_str(), link.c_str()), 0);

    for (const std::string& path : {directory, file}) {
        File mark = File::markInUse(path);
        ASSERT_TRUE(mark.valid()) << path;
        File second = File::markInUse(path);
        EXPECT_TRUE(second.valid()) << "the run's own marks do not conflict";
        EXPECT_TRUE(inUseForAnotherProcess(path)) << path;
        EXPECT_FALSE(inUseForAnotherProcess(link)) << "the link itself is nobody's";
        mark.close();
        EXPECT_TRUE(inUseForAnotherProcess(path)) << "one mark is left";
        second.close();
        EXPECT_FALSE(inUseForAnotherProcess(path)) << path;
    }
    EXPECT_FALSE(File::markInUse(link).valid()) << "a link is not followed";
    EXPECT_FALSE(isInUse(root + "/missing"));

    std::vector<DirectoryEntry> entries;
    ASSERT_TRUE(listDirectory(root, entries));
    for (const DirectoryEntry& entry : entries) {
        EXPECT_EQ(entry.isLink, entry.name == "link") << entry.name;
        EXPECT_EQ(entry.isDirectory, entry.name == "lmx_dir") << entry.name;
    }
    EXPECT_TRUE(isRealDirectory(directory));
    EXPECT_FALSE(isRealDirectory(link));
    EXPECT_FALSE(isRealDirectory(file));
    const std::string command = "rm -rf '" + root + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
}

} // namespace
} // namespace lumen::os
