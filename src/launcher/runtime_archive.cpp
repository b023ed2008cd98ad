#include "launcher/runtime_archive.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "core/progress_figures.h"
#include "core/tar_reader.h"
#include "launcher/errors.h"
#include "launcher/gz_archive.h"
#include "launcher/jvm_loader.h"
#include "launcher/log.h"
#include "launcher/pack200.h"
#include "launcher/properties.h"
#include "os/env.h"
#include "os/file.h"
#include "os/paths.h"
#include "os/system.h"

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

// Shared with the pack200 ticker: untarMillis is written before the ticker
// starts, unpackDone is the one-way flag the worker sets after the restore.
unsigned long untarMillis = 0;
std::atomic<bool> unpackDone{false};

// The reader names entries with "\" between components; the file calls take
// this platform's separator.
std::string localName(std::string name) {
    std::replace(name.begin(), name.end(), '\\', os::pathSeparator());
    return name;
}

// Writes the entries below the current directory (the target, made current
// by untarArchive) and reports through the launcher's log.
class RuntimeTarget : public TarOutput {
  public:
    RuntimeTarget(ProgressView* progress, int64_t expectedSize)
        : progress_(progress), expectedSize_(expectedSize) {}

    void makeDirectory(const std::string& name) override { os::createDirectory(localName(name)); }
    bool openFile(const std::string& name) override {
        file_ = os::File::createForWriting(localName(name));
        return file_.valid();
    }
    bool write(const void* data, size_t size) override { return file_.writeAll(data, size); }
    bool writeCopyOf(const std::string& written) override {
        os::File source = os::File::openForReading(localName(written));
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
            logError("%s", line.c_str());
        else
            logInfo("%s", line.c_str());
    }

  private:
    ProgressView* progress_;
    int64_t expectedSize_;
    os::File file_;
};

// Moves the bar from 100 to at most 200 in steps of 10, spread over about
// as long as the untar took, until the restore is done.
void unpackProgressTicker(ProgressView* progress) {
    os::raiseCurrentThreadPriority();
    int position = kTickerStart;
    while (!unpackDone.load(std::memory_order_acquire) && position < kTickerEnd) {
        os::sleepMs(untarMillis / 10);
        position += kTickerStep;
        progress->setPosition(position);
    }
}

} // namespace

bool untarArchive(const std::string& archive, const std::string& target, ProgressView* progress,
                  int64_t expectedSize) {
    std::string remembered;
    os::currentDirectory(remembered);
    GzArchive input;
    if (!input.open(archive)) {
        logError("Could not open gz-file");
        return false;
    }
    bool result = false;
    // Entry names are relative to the target; without it as the current
    // directory they would land beside the archive instead.
    if (!os::setCurrentDirectory(target)) {
        logError("Could not change to %s", target.c_str());
    } else {
        RuntimeTarget output(progress, expectedSize);
        const UntarResult untarred = untarStream(input, output);
        if (untarred.status == UntarStatus::FileNotCreated) fatalError(untarred.message);
        result = untarred.ok();
        std::string problem;
        if (result && !input.finish(problem)) {
            logError("damaged gz-file: %s", problem.c_str());
            result = false;
        }
        os::setCurrentDirectory(remembered);
    }
    input.close();
    if (result)
        logInfo("untaring JRE was successful");
    else
        logError("untaring JRE was unsuccessful");
    return result;
}

bool extractRuntimeArchive(ProgressView* progress) {
    const unsigned long start = os::tickCount();
    logInfo("extracting JRE");
    if (!os::createDirectory(kRuntimeDirectory)) logError("Could not create JRE dir");
    if (!untarArchive(kArchive, kRuntimeDirectory, progress, getIntProperty(151))) {
        logError("Could not untar JRE");
        fatalError(kCorrupted);
    }
    os::deleteFile(kArchive);
    // Unsigned difference: right across one wrap of the tick counter.
    untarMillis = os::tickCount() - start;

    if (getIntProperty(153) != 0) {
        logInfo("JRE is packed");
        unpackDone.store(false, std::memory_order_release);
        std::thread ticker;
        if (progress != nullptr) ticker = std::thread(unpackProgressTicker, progress);
        unpackRuntime(kRuntimeDirectory);
        unpackDone.store(true, std::memory_order_release);
        if (ticker.joinable()) ticker.join();
    }

    std::string directory;
    if (!os::absolutePath(kRuntimeDirectory, directory)) directory = kRuntimeDirectory;
    logInfo("JRE dir: %s", directory.c_str());
    if (LoadDLL(false, &directory, false)) return true;
    logError("Could not load bundled JRE. Trying to find another JRE.");
    if (LoadDLL(false, nullptr, false)) return true;
    logError("Could not find another JRE.");
    fatalError(kUnusable);
}

} // namespace lumen
