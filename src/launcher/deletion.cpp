#include "launcher/deletion.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "core/deletion_list.h"
#include "core/property_store.h"
#include "launcher/paths.h"
#include "launcher/temp_files.h"
#include "os/env.h"
#include "os/file.h"
#include "os/paths.h"
#include "os/registry.h"
#include "os/system.h"

namespace lumen {
namespace {

const char kListKey[] = "SOFTWARE\\nordquill\\lumen\\temp\\";
const char kFileList[] = "delete_file";
const char kDirectoryList[] = "delete_dir";
const char kKeepVariable[] = "LUMEN_KEEP_TEMP";

void scheduleDeletion(Launcher& launcher, const char* valueName, const std::string& path) {
    os::RegistryKey key = os::RegistryKey::create(os::RegistryRoot::CurrentUser, kListKey);
    if (!key.valid()) return;
    std::string stored;
    key.readString(valueName, stored, kTextBufferSize, true);
    std::string list = deletionListOf(deletionEntries(stored));
    if (!appendDeletionEntry(list, path)) {
        launcher.log.error("Deletion list %s is full, %s not recorded", valueName, path.c_str());
        return;
    }
    key.writeString(valueName, list);
}

std::string childPath(const std::string& directory, const std::string& name) {
    const char separator = os::pathSeparator();
    if (!directory.empty() && directory.back() == separator) return directory + name;
    return directory + separator + name;
}

bool keepRunFiles() {
    std::string keep;
    return os::getEnv(kKeepVariable, keep) && !keep.empty() && keep != "0";
}

// Children before their parents; a link is removed, never entered. With a
// budget the removal stops once it is spent and the rest waits.
void removeTree(const std::string& directory, const DeletionBudget* budget) {
    std::vector<os::DirectoryEntry> entries;
    os::listDirectory(directory, entries);
    for (const os::DirectoryEntry& entry : entries) {
        if (budget != nullptr && budget->exhausted(os::tickCount())) return;
        const std::string path = childPath(directory, entry.name);
        if (entry.isDirectory && !entry.isLink)
            removeTree(path, budget);
        else if (entry.isDirectory)
            os::removeDirectory(path);
        else
            os::deleteFile(path);
    }
    os::removeDirectory(directory);
}

// The folders below which a pass may delete: where this launcher puts its
// directories and the system's temporary folder (the same unless the
// latter cannot be written in the code page).
std::vector<std::string> temporaryFolders() {
    std::vector<std::string> folders;
    if (const std::optional<std::string> chosen = chooseTempDirectory()) folders.push_back(*chosen);
    std::string system;
    if (os::systemTempPath(system)) folders.push_back(system);
    return folders;
}

bool heldByARun(const std::string& path, const DeletionTarget& target) {
    const std::vector<std::string> guarded = guardedPaths(path, target, os::pathStyle());
    return std::any_of(guarded.begin(), guarded.end(),
                       [](const std::string& held) { return os::isInUse(held); });
}

void removeEntry(const std::string& path, bool directoryList, const DeletionTarget& target,
                 const DeletionBudget& budget) {
    if (!directoryList) {
        if (os::isFileFree(path)) os::deleteFile(path);
        return;
    }
    if (target.scope == DeletionScope::Tree && os::isRealDirectory(path)) {
        removeTree(path, &budget);
        return;
    }
    // A directory goes once it is empty; a link named like ours (or a
    // junction) goes itself, never what it points to.
    if (!os::removeDirectory(path) && target.scope == DeletionScope::Tree) os::deleteFile(path);
}

struct PassTally {
    unsigned removed = 0;
    unsigned kept = 0;
    unsigned refused = 0;
    unsigned left = 0;
};

void processList(Launcher& launcher, os::RegistryKey& key, bool directoryList,
                 const std::vector<std::string>& folders, const DeletionBudget& budget,
                 PassTally& tally) {
    const char* valueName = directoryList ? kDirectoryList : kFileList;
    std::string stored;
    key.readString(valueName, stored, kTextBufferSize, true);
    const std::vector<std::string> entries = deletionEntries(stored);
    if (entries.empty()) return;
    std::vector<std::string> settled;
    size_t next = 0;
    for (; next < entries.size() && !budget.exhausted(os::tickCount()); ++next) {
        const std::string& path = entries[next];
        const DeletionTarget target =
            deletionScopeOf(path, directoryList, folders, os::pathStyle());
        if (target.scope == DeletionScope::Refused) {
            launcher.log.error("Deferred deletion refused for %s: not in the temporary folder",
                               path.c_str());
            settled.push_back(path);
            ++tally.refused;
            continue;
        }
        if (heldByARun(path, target)) {
            launcher.log.info("Deferred deletion: %s is in use", path.c_str());
            ++tally.kept;
            continue;
        }
        removeEntry(path, directoryList, target, budget);
        if (fileExists(path) || os::isRealDirectory(path)) {
            launcher.log.info("Deferred deletion: %s stays for a later start", path.c_str());
            ++tally.kept;
        } else {
            launcher.log.info("Deferred deletion removed %s", path.c_str());
            settled.push_back(path);
            ++tally.removed;
        }
    }
    tally.left += static_cast<unsigned>(entries.size() - next);
    // Other launchers may have scheduled meanwhile: what is stored now, less
    // what this pass settled.
    std::string now;
    key.readString(valueName, now, kTextBufferSize, true);
    key.writeString(valueName,
                    deletionListOf(entriesLeft(deletionEntries(now), settled, os::pathStyle())));
}

void forgetEntries(const std::vector<std::string>& gone) {
    if (gone.empty()) return;
    os::RegistryKey key = os::RegistryKey::openForUpdate(os::RegistryRoot::CurrentUser, kListKey);
    if (!key.valid()) return;
    for (const char* valueName : {kFileList, kDirectoryList}) {
        std::string stored;
        if (!key.readString(valueName, stored, kTextBufferSize, true)) continue;
        const std::vector<std::string> entries = deletionEntries(stored);
        const std::vector<std::string> left = entriesLeft(entries, gone, os::pathStyle());
        if (left.size() != entries.size()) key.writeString(valueName, deletionListOf(left));
    }
}

bool isWithin(const std::string& path, const std::string& directory) {
    return path == directory || path.rfind(childPath(directory, ""), 0) == 0;
}

// Windows keeps a process's current directory from being removed.
void leaveDirectories(Launcher& launcher, const std::vector<std::string>& directories) {
    std::string current;
    if (!os::currentDirectory(current)) return;
    for (const std::string& directory : directories) {
        if (!isWithin(current, directory)) continue;
        if (!os::setCurrentDirectory(launcher.paths.directory()))
            launcher.log.error("Could not leave %s (error %lu)", directory.c_str(),
                               os::lastErrorCode());
        return;
    }
}

} // namespace

void scheduleFileDeletion(Launcher& launcher, const std::string& path) {
    scheduleDeletion(launcher, kFileList, path);
}

void scheduleDirectoryDeletion(Launcher& launcher, const std::string& path) {
    scheduleDeletion(launcher, kDirectoryList, path);
}

void scheduleTreeDeletion(Launcher& launcher, const std::string& directory) {
    if (directory.empty()) return;
    std::vector<os::DirectoryEntry> entries;
    os::listDirectory(directory, entries);
    for (const os::DirectoryEntry& entry : entries) {
        const std::string path = childPath(directory, entry.name);
        if (entry.isDirectory && !entry.isLink)
            scheduleTreeDeletion(launcher, path);
        else if (entry.isDirectory)
            scheduleDirectoryDeletion(launcher, path);
        else
            scheduleFileDeletion(launcher, path);
    }
    scheduleDirectoryDeletion(launcher, directory);
}

void deleteOrScheduleFile(Launcher& launcher, const std::string& path) {
    os::deleteFile(path);
    if (fileExists(path)) scheduleFileDeletion(launcher, path);
}

void processDeferredDeletions(Launcher& launcher) {
    os::RegistryKey key = os::RegistryKey::openForUpdate(os::RegistryRoot::CurrentUser, kListKey);
    if (!key.valid()) return;
    const DeletionBudget budget(os::tickCount(), kDeferredDeletionBudgetMs);
    const std::vector<std::string> folders = temporaryFolders();
    PassTally tally;
    processList(launcher, key, false, folders, budget, tally);
    processList(launcher, key, true, folders, budget, tally);
    if (tally.removed + tally.kept + tally.refused + tally.left == 0) return;
    launcher.log.info("Deferred deletions: %u removed, %u kept, %u refused, %u left for a later "
                      "start (%lu ms)",
                      tally.removed, tally.kept, tally.refused, tally.left,
                      budget.elapsed(os::tickCount()));
}

void scheduleRunFiles(Launcher& launcher) {
    if (keepRunFiles()) {
        launcher.log.info("Temporary files are kept (%s)", kKeepVariable);
        return;
    }
    std::string logPath;
    if (launcher.log.path(logPath)) scheduleFileDeletion(launcher, logPath);
    for (const std::string& directory : launcher.unpacked.directories())
        scheduleDirectoryDeletion(launcher, directory);
}

void removeRunFiles(Launcher& launcher, bool succeeded) {
    if (keepRunFiles()) return;
    const std::vector<std::string> directories = launcher.unpacked.directories();
    launcher.inUse.releaseAll();
    leaveDirectories(launcher, directories);
    std::vector<std::string> gone;
    for (const std::string& directory : directories) {
        if (os::isRealDirectory(directory)) removeTree(directory, nullptr);
        if (os::isRealDirectory(directory)) {
            launcher.log.info("%s stays for a later start", directory.c_str());
        } else {
            launcher.log.info("Removed %s", directory.c_str());
            gone.push_back(directory);
        }
    }
    std::string logPath;
    if (succeeded && launcher.log.path(logPath)) {
        launcher.log.close();
        os::deleteFile(logPath);
        if (!fileExists(logPath)) gone.push_back(logPath);
    }
    forgetEntries(gone);
}

void endRunAtJvmExit(Launcher& launcher, int code) {
    launcher.log.info("The application ends the process (exit code %d)", code);
    removeRunFiles(launcher, code == 0);
}

} // namespace lumen
