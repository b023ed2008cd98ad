// Class-data sharing for the launched JVM (`class-data-sharing = "auto"`):
// the first start has the JVM write an archive of the classes it loaded
// into the user's cache, later starts map it (core/class_data_sharing.h
// makes the decisions).
//
// Contract: prepareClassDataSharing() runs once the VM options are built
// and the runtime's library is known. With the property off, on a runtime
// before 13, or when the options steer sharing themselves, it changes
// nothing. Otherwise it inserts the archive options at `insertAt` (so the
// configured options and -J arguments after them still win) and points the
// class-path entries that lie in the extraction directory at copies kept
// beside the archive: the JVM only maps an archive when every class-path
// file has the path, size and time it had when the archive was written,
// and the extraction directory is new on every start. Nothing here fails a
// start: a cache that cannot be made or written, a copy that fails, an
// archive the JVM cannot map each leave the application starting as without
// sharing (logged).
//
// On a runtime before 19 the JVM writes the archive at its exit under a
// temporary name; finishClassDataSharing() (after DestroyJavaVM returns)
// or the JVM's exit hook (System.exit) gives it its name, so no start ever
// sees half an archive.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "launcher/launcher.h"

namespace lumen {

void prepareClassDataSharing(Launcher& launcher, std::vector<std::string>& options,
                             size_t insertAt);

// Moves an archive the JVM wrote on its way out to the archive's name;
// does nothing when none was asked for or none was written. Safe to call
// twice.
void finishClassDataSharing(Launcher& launcher);

// The cache directory ("<user cache>/lumen/cds"), empty when the user has
// none.
std::string classDataSharingCache();

} // namespace lumen
