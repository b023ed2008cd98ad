// Deferred deletion of files and directories that cannot be deleted now.
//
// Contract: two lists under HKEY_CURRENT_USER
// "SOFTWARE\nordquill\lumen\temp\", values "delete_file" and "delete_dir",
// each a sequence of paths each followed by ";". Scheduling appends (a path
// scheduled twice is listed twice); an entry that would take a list past
// its 8,191 bytes is not recorded (logged) and the list stays whole.
// Registry failures are silent. processDeferredDeletions() works through
// both lists once, keeping what still exists; emptied lists are written
// back as empty texts, the key is never deleted.
#pragma once

#include <string>

#include "launcher/launcher.h"

namespace lumen {

void scheduleFileDeletion(Launcher& launcher, const std::string& path);
void scheduleDirectoryDeletion(Launcher& launcher, const std::string& path);
// Every file below the directory, every directory below it and itself,
// children before their parents.
void scheduleTreeDeletion(Launcher& launcher, const std::string& directory);
// Deletes the file now, or schedules it when it still exists.
void deleteOrScheduleFile(Launcher& launcher, const std::string& path);
void processDeferredDeletions();

} // namespace lumen
