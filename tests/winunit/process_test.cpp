// What a child started by runHidden inherits: its standard error file and
// no other handle of the launcher.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "os/process.h"
#include "win_test_support.h"

namespace lumen::wintest {
namespace {

const char kMarkerVariable[] = "LUMEN_MARKER_HANDLE";

// The parent's inheritable handle to a marker file, as a number the child
// finds in its environment.
class MarkerHandle {
  public:
    explicit MarkerHandle(const std::string& path) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        handle_ = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        SetEnvironmentVariableA(
            kMarkerVariable,
            std::to_string(static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(handle_)))
                .c_str());
    }
    ~MarkerHandle() {
        SetEnvironmentVariableA(kMarkerVariable, nullptr);
        CloseHandle(handle_);
    }
    MarkerHandle(const MarkerHandle&) = delete;
    MarkerHandle& operator=(const MarkerHandle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

std::string childCommand() {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    return quoted(self) + " --gtest_filter=InheritedHandleChild.* --gtest_brief=1";
}

TEST(RunHidden, ChildHoldsOnlyItsErrorFile) {
    TempDir dir("inherit");
    {
        // Control: a child that inherits everything reaches the marker, so
        // the check below can fail.
        MarkerHandle marker(dir / "control.txt");
        ASSERT_TRUE(marker.valid());
        const RunResult control = runCaptured(childCommand(), 60000);
        ASSERT_TRUE(control.started);
        EXPECT_EQ(readFile(dir / "control.txt"), "child was here") << control.out << control.err;
    }
    MarkerHandle marker(dir / "marker.txt");
    ASSERT_TRUE(marker.valid());
    unsigned long exitCode = 0;
    ASSERT_TRUE(os::runHidden(childCommand(), dir / "stderr.txt", 60000, exitCode));
    EXPECT_EQ(readFile(dir / "marker.txt"), "") << "the child wrote through the parent's handle";
    EXPECT_NE(readFile(dir / "stderr.txt").find("standard error reached"), std::string::npos)
        << readFile(dir / "stderr.txt");
    EXPECT_EQ(exitCode, 0u);
}

// Only in the children started above.
TEST(InheritedHandleChild, WritesThroughTheMarkerHandleIfItCan) {
    const char* value = std::getenv(kMarkerVariable);
    if (value == nullptr) GTEST_SKIP() << "runs only as a child";
    std::fputs("standard error reached\n", stderr);
    std::fflush(stderr);
    auto* handle =
        reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(std::strtoull(value, nullptr, 10)));
    // A handle value the child never got may name one of its own handles,
    // or none: only a write that lands in the marker file counts.
    const char text[] = "child was here";
    DWORD written = 0;
    WriteFile(handle, text, sizeof text - 1, &written, nullptr);
}

} // namespace
} // namespace lumen::wintest
