// Helpers for tests that drive the launcher's own modules in this process:
// configuration, the log, the standard error stream, and registry state.
#pragma once

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "launcher/errors.h"
#include "launcher/launcher.h"
#include "win_test_support.h"

namespace lumen::wintest {

// The log lines of a launcher written from construction on.
class LogWatch {
  public:
    explicit LogWatch(Launcher& launcher) {
        launcher.log.info("-- test mark --");
        launcher.log.path(path_);
        start_ = readFile(path_).size();
    }
    std::string text() const {
        const std::string all = readFile(path_);
        return all.size() > start_ ? all.substr(start_) : std::string();
    }
    bool has(const std::string& line) const {
        return ("\r\n" + text()).find("\r\n" + line + "\r\n") != std::string::npos;
    }
    // Position of a line, or npos; for order checks.
    size_t find(const std::string& line) const {
        return ("\r\n" + text()).find("\r\n" + line + "\r\n");
    }
    size_t count(const std::string& fragment) const {
        size_t n = 0;
        const std::string all = text();
        for (size_t at = all.find(fragment); at != std::string::npos;
             at = all.find(fragment, at + 1))
            ++n;
        return n;
    }

  private:
    std::string path_;
    size_t start_ = 0;
};

// What a step that may fail answered; a failure fails the test and reads
// as the value-initialised answer (false, NotFound).
template <typename T> T valueOf(const Result<T>& result) {
    EXPECT_TRUE(result.ok()) << "the step failed instead of answering";
    return result.ok() ? result.value() : T{};
}

// A report as the error routines write it on the standard error stream.
inline std::string reportOf(const Launcher& launcher, const std::string& text) {
    std::string path;
    launcher.log.path(path);
    char longForm[MAX_PATH];
    const DWORD length = GetLongPathNameA(path.c_str(), longForm, sizeof longForm);
    if (length > 0 && length < sizeof longForm) path.assign(longForm, length);
    return text + "\n\nLog: " + path + "\n";
}

// What the launcher writes to its standard error stream while in scope.
class StderrCapture {
  public:
    StderrCapture() {
        std::fflush(stderr);
        char directory[MAX_PATH];
        char name[MAX_PATH];
        GetTempPathA(sizeof directory, directory);
        GetTempFileNameA(directory, "lse", 0, name);
        path_ = name;
        saved_ = _dup(2);
        const int file = _open(name, _O_WRONLY | _O_TRUNC | _O_BINARY);
        _dup2(file, 2);
        _close(file);
    }
    ~StderrCapture() { restore(); }
    std::string text() {
        restore();
        return readFile(path_);
    }

  private:
    void restore() {
        if (saved_ < 0) return;
        std::fflush(stderr);
        _dup2(saved_, 2);
        _close(saved_);
        saved_ = -1;
    }
    std::string path_;
    int saved_ = -1;
};

// Every test starts from a launcher of its own with an empty configuration
// and error reports on the standard error stream (a message box would wait
// for a click forever), and from no launcher or runtime registry state.
class LauncherTest : public ::testing::Test {
  protected:
    void SetUp() override {
        launcher_.paths = LauncherPaths::ofThisProcess();
        disableErrorBoxes(launcher_);
    }

    void setProperty(int id, const std::string& value) { launcher_.store.setNarrow(id, value); }

    Launcher launcher_;

    RegistryKeyReset userState_{HKEY_CURRENT_USER, "SOFTWARE\\nordquill\\lumen"};
    RegistryKeyReset machineState_{HKEY_LOCAL_MACHINE, "SOFTWARE\\nordquill\\lumen"};
    RegistryKeyReset javaSoft_{HKEY_LOCAL_MACHINE, "SOFTWARE\\JavaSoft"};
};

} // namespace lumen::wintest
