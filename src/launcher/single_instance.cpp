#include "launcher/single_instance.h"

#include <cstdio>

#include "core/command_line.h"
#include "core/path_rules.h"
#include "launcher/paths.h"
#include "launcher/temp_files.h"
#include "launcher/window_helpers.h"
#include "os/env.h"
#include "os/registry.h"
#include "os/sync.h"
#include "os/system.h"

namespace lumen {
namespace {

const char kProcessRecordKey[] = "SOFTWARE\\nordquill\\lumen\\pids\\";
constexpr int kHandOverChecks = 200;
constexpr unsigned long kHandOverCheckMs = 50;
constexpr int kRecordReads = 20;
constexpr unsigned long kRecordReadMs = 50;

// The record of the process that holds the claim. Right after a claim the
// first process may not have written it yet, or an earlier run's id may
// still stand there: a later process reads again for a short while until
// the record names a running process.
unsigned long awaitProcessRecord(const Launcher& launcher) {
    unsigned long pid = 0;
    for (int attempt = 0; attempt < kRecordReads; ++attempt) {
        pid = readProcessRecord(launcher);
        if (pid != 0 && pid != os::processId() && os::isProcessRunning(pid)) return pid;
        os::sleepMs(kRecordReadMs);
    }
    return pid;
}

} // namespace

std::string instanceSemaphoreName(const Launcher& launcher) {
    return instanceNameOf(launcher.paths.moduleFileName());
}

void writeProcessRecord(const Launcher& launcher, unsigned long pid) {
    os::RegistryKey::create(os::RegistryRoot::CurrentUser, kProcessRecordKey)
        .writeDword(launcher.paths.moduleFileName(), static_cast<uint32_t>(pid));
}

unsigned long readProcessRecord(const Launcher& launcher) {
    uint32_t pid = 0;
    if (!os::RegistryKey::openForReading(os::RegistryRoot::CurrentUser, kProcessRecordKey)
             .readDword(launcher.paths.moduleFileName(), pid))
        return 0;
    return pid;
}

void writeHandOverFile(unsigned long pid, const std::u16string& tail) {
    const std::string path = processFileName(pid);
    for (int check = 0; check < kHandOverChecks && fileExists(path); ++check)
        os::sleepMs(kHandOverCheckMs);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return;
    std::u16string text = tail;
    text += u'\n';
    // UTF-16LE code units, no byte-order mark, whatever the host's order.
    std::string bytes;
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    // The hand-over is a courtesy to the first process: a short write loses
    // nothing this process could still save.
    (void)std::fwrite(bytes.data(), 1, bytes.size(), file);
    (void)std::fclose(file);
}

InstanceCheck ensureSingleInstance(Launcher& launcher, bool checkProperty, bool handOver) {
    if (checkProperty && !launcher.properties.flag(Property::SingleInstance))
        return InstanceCheck::First;
    if (os::claimInstance(instanceSemaphoreName(launcher)) == os::InstanceClaim::First) {
        writeProcessRecord(launcher, os::processId());
        return InstanceCheck::First;
    }
    const unsigned long pid = awaitProcessRecord(launcher);
    launcher.log.info("Another instance (process %lu) runs already", pid);
    bringProcessToFront(pid, true);
    if (handOver) writeHandOverFile(pid, commandTailWide(os::commandLineWide()));
    return InstanceCheck::AnotherRuns;
}

} // namespace lumen
