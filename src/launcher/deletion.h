// Deferred deletion of files and directories that cannot be deleted now.
//
// Contract: the schedule calls enter a path in the launcher's persistent
// deletion lists so that a later run can remove it. Until those lists
// exist, scheduling records nothing (and so deletes nothing early).
#pragma once

#include <string>

namespace lumen {
void scheduleFileDeletion(const std::string& path);
void scheduleDirectoryDeletion(const std::string& path);
} // namespace lumen
