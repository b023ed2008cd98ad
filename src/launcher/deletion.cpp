#include "launcher/deletion.h"

#include <vector>

#include "core/deletion_list.h"
#include "core/property_store.h"
#include "launcher/paths.h"
#include "os/paths.h"
#include "os/registry.h"

namespace lumen {
namespace {

const char kListKey[] = "SOFTWARE\\nordquill\\lumen\\temp\\";
const char kFileList[] = "delete_file";
const char kDirectoryList[] = "delete_dir";

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

template <typename Remove>
void processList(os::RegistryKey& key, const char* valueName, Remove remove) {
    std::string stored;
    key.readString(valueName, stored, kTextBufferSize, true);
    std::vector<std::string> remaining;
    for (const std::string& path : deletionEntries(stored)) {
        remove(path);
        if (fileExists(path)) remaining.push_back(path);
    }
    key.writeString(valueName, deletionListOf(remaining));
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
        if (entry.isDirectory)
            scheduleTreeDeletion(launcher, path);
        else
            scheduleFileDeletion(launcher, path);
    }
    scheduleDirectoryDeletion(launcher, directory);
}

void deleteOrScheduleFile(Launcher& launcher, const std::string& path) {
    os::deleteFile(path);
    if (fileExists(path)) scheduleFileDeletion(launcher, path);
}

void processDeferredDeletions() {
    os::RegistryKey key = os::RegistryKey::openForUpdate(os::RegistryRoot::CurrentUser, kListKey);
    if (!key.valid()) return;
    processList(key, kFileList, [](const std::string& path) {
        if (os::isFileFree(path)) os::deleteFile(path);
    });
    processList(key, kDirectoryList, [](const std::string& path) { os::removeDirectory(path); });
}

} // namespace lumen
