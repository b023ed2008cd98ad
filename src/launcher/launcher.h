// The launcher context: everything one run of the launcher knows and shares
// between its modules and threads, passed to them explicitly.
//
// Contract: one Launcher per process in the stubs (the tests make one per
// test). The property store is filled by readConfiguration() on the main
// thread before any other thread starts and is read-only afterwards, so
// `properties` needs no lock; the launch state and the paths are likewise
// written before other threads exist. What threads share after that is
// either behind a lock (the log, the unpacked files) or a release/acquire
// atomic (the error-report owner and switch, the JVM's creation, the splash
// screen's flag and window). Nothing in the launcher keeps state of its own
// at namespace scope; the current directory is never a parameter between
// modules.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/property_catalogue.h"
#include "core/property_store.h"
#include "launcher/log.h"
#include "os/file.h"

namespace lumen {

// Named reads of the configuration (see core/property_catalogue.h). Texts
// come as the launcher's 8,192-unit buffers hold them; absent reads as the
// empty text or 0.
class Properties {
  public:
    explicit Properties(const PropertyStore& store) : store_(store) {}
    std::string text(Property property) const { return store_.string(idOf(property)); }
    std::u16string wide(Property property) const { return store_.wide(idOf(property)); }
    int32_t integer(Property property) const { return store_.getInt(idOf(property)); }
    bool flag(Property property) const { return integer(property) != 0; }
    // Whether the block carries the property at all (8-bit table).
    bool has(Property property) const { return store_.hasNarrow(idOf(property)); }
    uint32_t colour(Property property) const { return store_.getColor(idOf(property)); }
    // The first character of the product kind ("e" launcher, "i" installer).
    char productKind() const {
        char kind[2];
        store_.getString(idOf(Property::ProductKind), kind, sizeof kind);
        return kind[0];
    }

  private:
    const PropertyStore& store_;
};

// The switches of this run, fixed before any other thread starts.
struct LaunchState {
    std::string commandTail;
    bool quietMode = false;
    bool manualSelection = false;
    char productKind = '\0';
    void* instanceHandle = nullptr;
    // The window show command the process was started with (SW_SHOWNORMAL
    // unless the GUI entry says otherwise); the splash window shows with it.
    int showCommand = 1;
    // The arguments as the system split them (POSIX argv, the program
    // first); none where the launcher splits its command line itself.
    std::optional<std::vector<std::string>> systemArguments;
};

// The launcher's own file, fixed for the process: the module path (short
// form, lower case where the platform folds case, doubled separators
// collapsed) and its directory (full path with the trailing separator).
class LauncherPaths {
  public:
    LauncherPaths() = default;
    LauncherPaths(std::string moduleFileName, std::string directory)
        : moduleFileName_(std::move(moduleFileName)), directory_(std::move(directory)) {}
    // The paths of the running executable, through the OS layer.
    static LauncherPaths ofThisProcess();

    const std::string& moduleFileName() const { return moduleFileName_; }
    const std::string& directory() const { return directory_; }
    // A relative path resolved against the launcher's directory.
    std::string resolve(const std::string& path) const;
    // resolve(), made absolute, lower-cased unless keepCase where the
    // platform folds case, separators collapsed.
    std::string full(const std::string& path, bool keepCase = false) const;
    // A ";" list of paths, each resolved, joined with the platform's list
    // separator.
    std::string resolveList(const std::string& list) const;

  private:
    std::string moduleFileName_;
    std::string directory_;
};

// The files unpacked for this run, in extraction order, and their
// directories; any thread may add or read (the error routines schedule
// them for deletion from whichever thread reports).
class UnpackedFiles {
  public:
    void addFile(const std::string& path);
    void addDirectory(const std::string& path);
    std::vector<std::string> files() const;
    std::vector<std::string> directories() const;

  private:
    mutable os::Mutex mutex_;
    std::vector<std::string> files_;
    std::vector<std::string> directories_;
};

// The marks that keep other launchers' deferred deletion away from this
// run's temporary directories (launcher/deletion.h), held until the run
// removes the directories itself or the process ends.
class InUseMarks {
  public:
    void add(os::File mark) {
        const std::lock_guard<os::Mutex> lock(mutex_);
        marks_.push_back(std::move(mark));
    }
    void releaseAll() {
        const std::lock_guard<os::Mutex> lock(mutex_);
        marks_.clear();
    }

  private:
    os::Mutex mutex_;
    std::vector<os::File> marks_;
};

// Where the error reports go: message boxes (owned by `owner` when set) or
// the standard error stream once boxes are off.
struct ErrorReports {
    std::atomic<bool> boxesOn{true};
    std::atomic<void*> owner{nullptr};
};

// The loaded VM library's entry point and path (start-up thread only) and,
// once `created` is set (release), the JavaVM other threads may attach to
// until `ending` is set (release), just before the JVM is destroyed.
struct JvmState {
    void* createJavaVm = nullptr;
    std::string libraryPath;
    void* vm = nullptr;
    std::atomic<bool> created{false};
    std::atomic<bool> ending{false};
    // The archive the JVM may write at its exit on this start
    // (launcher/class_data_sharing.h): under `sharingWritten` to be renamed
    // (empty: in place), its modification time before (-1: none yet).
    std::string sharingWritten;
    std::string sharingArchive;
    int64_t sharingArchiveModified = -1;
    std::atomic<bool> sharingFinished{false};
};

// The splash screen as other threads see it: `started` is the one-way flag
// (set when its window shows, or by hideSplash() before that, which keeps
// it from ever showing); `closed` is set by hideSplash() for good;
// `suspended` hides it while another launcher window is up; `window` is its
// window while it is up. `atStartup` (fixed before other threads start)
// says that this run shows it in place of the progress dialog.
struct SplashShared {
    bool atStartup = false;
    std::atomic<bool> started{false};
    std::atomic<bool> closed{false};
    std::atomic<bool> suspended{false};
    std::atomic<void*> window{nullptr};
};

// The console window, looked up once (the lookup changes the console's
// title for a moment) by whichever thread asks first.
struct ConsoleLookup {
    os::Mutex mutex;
    bool lookedUp = false; // under the mutex
    void* window = nullptr;
};

// Where the appended block lies in the own file, for the extraction.
struct BlockPosition {
    uint64_t includedFilesOffset = 0;
    uint64_t end = 0;
};

class Launcher {
  public:
    Launcher() : properties(store) {}
    Launcher(const Launcher&) = delete;
    Launcher& operator=(const Launcher&) = delete;

    PropertyStore store; // filled by readConfiguration(), then read-only
    Properties properties;
    LaunchState state;
    LauncherPaths paths;
    BlockPosition block;
    Log log;
    ErrorReports reports;
    UnpackedFiles unpacked;
    InUseMarks inUse;
    // The directory of the unpacked files (empty when there are none); set
    // by the start-up before the launch reads it.
    std::string extractionDirectory;
    // The progress dialog while the start-up runs behind it (dialog mode).
    void* progressDialog = nullptr;
    JvmState jvm;
    SplashShared splash;
    ConsoleLookup console;

    // Whether the JVM runs with the extraction directory as its current
    // directory. Blocks from before the choice existed did so, and
    // applications built for them may open their unpacked files by
    // relative name.
    bool runsInExtractionDirectory() const {
        return !properties.has(Property::RunInExtractionDirectory) ||
               properties.flag(Property::RunInExtractionDirectory);
    }
};

} // namespace lumen
