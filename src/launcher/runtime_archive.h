// A Java runtime shipped (or downloaded) as "jre.tar.gz".
//
// Contract: extractRuntimeArchive() returns only when a JVM library has been
// loaded, from the archive's runtime or, failing that, from one found on the
// machine; otherwise it ends the process. This launcher build cannot unpack
// archives yet, so it goes straight to the search and ends with message 1001
// when nothing is found.
#pragma once

namespace lumen {
void extractRuntimeArchive(void* dialog);
} // namespace lumen
