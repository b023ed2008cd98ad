#include "launcher/runtime_archive.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "core/path_rules.h"
#include "core/progress_figures.h"
#include "core/tar_reader.h"
#include "launcher/gz_archive.h"
#include "launcher/jvm_loader.h"
#include "launcher/pack200.h"
#include "launcher/paths.h"
#include "os/file.h"
#include "os/paths.h"
#include "os/system.h"
#include "os/thread.h"

namespace lumen {
namespace {

const char kArchive[] = "jre.tar.gz";
const char kRuntimeDirectory[] = "jre";
const char kCorrupted[] =
    "The bundled JRE is corrupted. If you downloaded the setup file please download it again.";
const char kUnusable[] =
    "Could not use bundled JRE. Please send this log file to your software vendor:";

constexpr int kTickerStart = 100;
constexpr int kTickerEnd = 200;
constexpr int kTickerStep = 10;

// What the pack200 ticker shares with the start-up thread: untarMillis is
// written before the ticker starts, done is the one-way flag set after the
// restore.
struct Ticker {
    ProgressView* progress;
    unsigned long untarMillis;
    std::atomic<bool> done{false};
};

// Writes the entries below the target directory and reports through the
// launcher's log. The reader names entries with "\" between components;
// the file calls take this platform's separator.
class RuntimeTarget : public TarOutput {
  public:
    RuntimeTarget(Launcher& launcher, std::string target, ProgressView* progress,
                  int64_t expectedSize)
        : launcher_(launcher), target_(std::move(target)), progress_(progress),
          expectedSize_(expectedSize) {}

    void makeDirectory(const std::string& name) override { os::createDirectory(local(name)); }
    bool openFile(const std::string& name) override {
        file_ = os::File::createForWriting(local(name));
        return file_.valid();
    }
    bool write(const void* data, size_t size) override { return file_.writeAll(data, size); }
    bool writeCopyOf(const std::string& written) override {
        os::File source = os::File::openForReading(local(written));
        if (!source.valid()) return false;
        std::vector<char> buffer(kTarCopyBlock);
        for (;;) {
            size_t got = 0;
            if (!source.read(buffer.data(), buffer.size(), got)) return false;
            if (got == 0) return true;
            if (!file_.writeAll(buffer.data(), got)) return false;
        }
    }
    bool closeFile() override {
        file_.close();
        return true;
    }
    void progress(long offset) override {
        if (progress_ != nullptr)
            progress_->setPosition(untarProgressPosition(offset, expectedSize_));
    }
    unsigned long tickCount() override { return os::tickCount(); }
    void log(bool error, const std::string& line) override {
        if (error)
            launcher_.log.error("%s", line.c_str());
        else
            launcher_.log.info("%s", line.c_str());
    }

  private:
    std::string local(std::string name) const {
        std::replace(name.begin(), name.end(), '\\', os::pathSeparator());
        return joinPath(os::pathStyle(), target_, name);
    }

    Launcher& launcher_;
    std::string target_;
    ProgressView* progress_;
    int64_t expectedSize_;
    os::File file_;
};

// Moves the bar from 100 to at most 200 in steps of 10, spread over about
// as long as the untar took, until the restore is done.
void unpackProgressTicker(void* parameter) {
    auto* ticker = static_cast<Ticker*>(parameter);
    int position = kTickerStart;
    while (!ticker->done.load(std::memory_order_acquire) && position < kTickerEnd) {
        os::sleepMs(ticker->untarMillis / 10);
        position += kTickerStep;
        ticker->progress->setPosition(position);
    }
}

} // namespace

std::string runtimeArchivePath(const std::string& directory) {
    return joinPath(os::pathStyle(), directory, kArchive);
}

std::string runtimeDirectoryPath(const std::string& directory) {
    return joinPath(os::pathStyle(), directory, kRuntimeDirectory);
}

Result<bool> untarArchive(Launcher& launcher, const std::string& archive, const std::string& target,
                          ProgressView* progress, int64_t expectedSize) {
    GzArchive input;
    if (!input.open(archive)) {
        launcher.log.error("Could not open gz-file");
        return false;
    }
    bool result = false;
    if (!fileExists(target)) {
        launcher.log.error("Could not change to %s", target.c_str());
    } else {
        RuntimeTarget output(launcher, target, progress, expectedSize);
        const UntarResult untarred = untarStream(input, output);
        if (untarred.status == UntarStatus::FileNotCreated)
            return Failure::fixedText(untarred.message);
        result = untarred.ok();
        std::string problem;
        if (result && !input.finish(problem)) {
            launcher.log.error("damaged gz-file: %s", problem.c_str());
            result = false;
        }
    }
    input.close();
    if (result)
        launcher.log.info("untaring JRE was successful");
    else
        launcher.log.error("untaring JRE was unsuccessful");
    return result;
}

Outcome extractRuntimeArchive(Launcher& launcher, ProgressView* progress,
                              const std::string& archive, const std::string& runtimeDirectory) {
    const unsigned long start = os::tickCount();
    launcher.log.info("extracting JRE");
    // Made here or not used: files someone placed in a directory of that
    // name before (libraries beside jvm.dll) would be loaded with it.
    const os::NewDirectory created = os::createNewDirectory(runtimeDirectory);
    if (created != os::NewDirectory::Created) launcher.log.error("Could not create JRE dir");
    if (created == os::NewDirectory::NameTaken) {
        launcher.log.error("%s exists already; a runtime is only unpacked into a new directory",
                           runtimeDirectory.c_str());
        return Failure::fixedText(kCorrupted);
    }
    const Result<bool> untarred =
        untarArchive(launcher, archive, runtimeDirectory, progress,
                     launcher.properties.integer(Property::RuntimeArchiveSize));
    if (!untarred) return untarred.failure();
    if (!untarred.value()) {
        launcher.log.error("Could not untar JRE");
        return Failure::fixedText(kCorrupted);
    }
    os::deleteFile(archive);

    if (launcher.properties.flag(Property::PackedRuntime)) {
        launcher.log.info("JRE is packed");
        // Unsigned difference: right across one wrap of the tick counter.
        Ticker ticker{progress, os::tickCount() - start};
        os::Thread thread;
        if (progress != nullptr) {
            thread =
                os::Thread::start(unpackProgressTicker, &ticker, os::ThreadPriority::AboveNormal);
            if (!thread.valid())
                launcher.log.error("Could not start the progress thread (error %lu)",
                                   os::lastErrorCode());
        }
        Outcome unpacked = unpackRuntime(launcher, runtimeDirectory);
        ticker.done.store(true, std::memory_order_release);
        thread.join();
        if (!unpacked) return unpacked;
    }

    std::string directory;
    if (!os::absolutePath(runtimeDirectory, directory)) directory = runtimeDirectory;
    launcher.log.info("JRE dir: %s", directory.c_str());
    const Result<bool> bundled = loadJvm(launcher, JvmRequest::home(directory), ShowErrors::No);
    if (!bundled) return bundled.failure();
    if (bundled.value()) return Outcome();
    launcher.log.error("Could not load bundled JRE. Trying to find another JRE.");
    const Result<bool> other = loadJvm(launcher, JvmRequest::search(), ShowErrors::No);
    if (!other) return other.failure();
    if (other.value()) return Outcome();
    launcher.log.error("Could not find another JRE.");
    return Failure::fixedText(kUnusable);
}

} // namespace lumen
