// A Java runtime shipped (or downloaded) as "jre.tar.gz" in the current
// directory.
//
// Contract: extractRuntimeArchive() unpacks the archive into "jre" beside
// it, deletes the archive, restores packed jars when property 153 says so
// (a helper thread then moves the bar from 100 towards 200 while that runs),
// and returns true once a JVM library has been loaded: from "jre", or,
// failing that, from the ordinary search. A damaged archive ends the
// process with the "corrupted" text, a runtime that cannot be loaded from
// anywhere with the "could not use" text (exit code 1 both). progress is
// the progress dialog's view or null: without one no progress is sent and
// no helper thread started.
//
// untarArchive() is the untar on its own: true when the archive was read to
// its end, checked whole (gzip CRC and length) and at least one regular file
// was written; nothing is ever written outside the target, and links are
// written as copies of their targets. A file that cannot be created ends the
// process with "Could not open file <name>" (exit code 1). The positions it
// sends cover 1..100, scaled by expectedSize (property 151).
#pragma once

#include <cstdint>
#include <string>

#include "launcher/progress_view.h"

namespace lumen {

bool extractRuntimeArchive(ProgressView* progress);
bool untarArchive(const std::string& archive, const std::string& target, ProgressView* progress,
                  int64_t expectedSize);

} // namespace lumen
