// The single-instance pieces that a test process can exercise without
// ending itself: the claim, the process record and the hand-over file.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <thread>

#include "launcher/paths.h"
#include "launcher/single_instance.h"
#include "launcher/temp_files.h"
#include "launcher_test_support.h"
#include "os/sync.h"

namespace lumen::wintest {
namespace {

using SingleInstance = LauncherTest;

std::string uniqueName(const char* what) {
    return std::string("lumen-test-") + what + "-" + std::to_string(GetCurrentProcessId());
}

TEST_F(SingleInstance, TheSemaphoreIsClaimedOnceAndOtherObjectsCountAsFirst) {
    const std::string name = uniqueName("claim");
    EXPECT_EQ(os::claimInstance(name), os::InstanceClaim::First);
    EXPECT_EQ(os::claimInstance(name), os::InstanceClaim::AlreadyHeld);

    // Another kind of object under the name: the semaphore cannot be made,
    // which counts as a first process.
    const std::string taken = uniqueName("event");
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, taken.c_str());
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(os::claimInstance(taken), os::InstanceClaim::First);
    CloseHandle(event);
}

TEST_F(SingleInstance, SemaphoreNameAndProcessRecordFollowTheModulePath) {
    const std::string name = instanceSemaphoreName(launcher_);
    const std::string& module = launcher_.paths.moduleFileName();
    EXPECT_EQ(name.find('\\'), std::string::npos) << name;
    EXPECT_EQ(name.size(), module.size());

    EXPECT_EQ(readProcessRecord(launcher_), 0u) << "no record yet";
    writeProcessRecord(launcher_, 4242);
    EXPECT_EQ(readProcessRecord(launcher_), 4242u);
    uint32_t stored = 0;
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\nordquill\\lumen\\pids", 0,
                            KEY_READ | KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    DWORD type = 0, size = sizeof stored;
    EXPECT_EQ(RegQueryValueExA(key, module.c_str(), nullptr, &type,
                               reinterpret_cast<BYTE*>(&stored), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(stored, 4242u);
    // A value that is not 4 bytes long reads as no record.
    const char text[] = "12";
    ASSERT_EQ(
        RegSetValueExA(key, module.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(text), 2),
        ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(readProcessRecord(launcher_), 0u);
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(SingleInstance, HandOverFileIsUtf16WithOneLineFeedAndWaitsForTheOldOne) {
    const unsigned long pid = 900000 + GetCurrentProcessId() % 1000;
    const std::string path = processFileName(pid);
    DeleteFileA(path.c_str());
    writeHandOverFile(pid, u"-x \u00e9");
    EXPECT_EQ(fileBytes(path), std::string("-\0x\0 \0\xe9\0\n\0", 10));

    // A file the first process has not taken yet is waited for: had the
    // write not waited, the taker would have removed the new file.
    { std::ofstream(path) << "old"; }
    std::thread taker([&path] {
        Sleep(400);
        DeleteFileA(path.c_str());
    });
    writeHandOverFile(pid, u"y");
    taker.join();
    EXPECT_EQ(fileBytes(path), std::string("y\0\n\0", 4));
    DeleteFileA(path.c_str());
}

} // namespace
} // namespace lumen::wintest
