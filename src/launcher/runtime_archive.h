// A Java runtime shipped (or downloaded) as "jre.tar.gz".
//
// Contract: extractRuntimeArchive() unpacks the archive into its runtime
// directory ("jre" beside it), which it creates itself (owner-only on
// POSIX; one that exists already fails as "corrupted"), deletes the archive, restores packed jars
// when property 153 says so (a helper thread then moves the bar from 100
// towards 200 while that runs), and succeeds once a JVM library has been
// loaded: from the runtime directory, or, failing that, from the ordinary
// search. A damaged archive fails with the "corrupted" text, a runtime that
// cannot be loaded from anywhere with the "could not use" text, a file that
// cannot be created with "Could not open file <name>" (exit code 1 each).
// progress is the progress dialog's view or null: without one no progress
// is sent and no helper thread started.
//
// untarArchive() is the untar on its own: true when the archive was read to
// its end, checked whole (gzip CRC and length) and at least one regular file
// was written; nothing is ever written outside the target, and links are
// written as copies of their targets. The positions it sends cover
// 1..100, scaled by expectedSize (property 151).
#pragma once

#include <cstdint>
#include <string>

#include "launcher/failure.h"
#include "launcher/launcher.h"
#include "launcher/progress_view.h"

namespace lumen {

// The archive and the directory it unpacks into, both below `directory`.
std::string runtimeArchivePath(const std::string& directory);
std::string runtimeDirectoryPath(const std::string& directory);

[[nodiscard]] Outcome extractRuntimeArchive(Launcher& launcher, ProgressView* progress,
                                            const std::string& archive,
                                            const std::string& runtimeDirectory);
[[nodiscard]] Result<bool> untarArchive(Launcher& launcher, const std::string& archive,
                                        const std::string& target, ProgressView* progress,
                                        int64_t expectedSize);

} // namespace lumen
