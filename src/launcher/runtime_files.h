// What a runtime's own files tell before it is started or loaded: the VM
// libraries the loader tries, in its order; the architecture a library was
// built for; and the runtime's release file.
//
// Contract: reads files only, never starts the runtime or loads a library.
// A file that is missing or unreadable tells nothing (CpuArch::Unknown, an
// empty ReleaseInfo); nothing here logs except vmLibraryFits.
#pragma once

#include <string>
#include <vector>

#include "core/cpu_arch.h"
#include "core/release_file.h"
#include "launcher/launcher.h"

namespace lumen {

// One VM library to try, with the runtime's bin directory, which holds the
// libraries the VM itself needs.
struct VmLibrary {
    std::string path;
    std::string binDirectory;
};

// The VM libraries of the runtime whose java executable is javaExe, in the
// order the loader tries them: the preferred VM kind (property 152), then
// hotspot, client, server and classic beside java.exe, then the same below
// ..\jre\bin (a development kit named by its bin directory).
std::vector<VmLibrary> vmLibraryPaths(const Launcher& launcher, const std::string& javaExe);

// The machine a library's PE header names; Unknown for a file that is
// missing, unreadable or no PE image.
CpuArch vmLibraryArch(const std::string& library);

// Whether this launcher may load the library: false, with the log line
// "Skipping <library>: <runtime> runtime, <launcher> launcher", for a PE
// image of another architecture.
bool vmLibraryFits(Launcher& launcher, const std::string& library);

// The release file of the runtime whose java executable is javaExe: in the
// directory above the executable's (home\bin\java.exe -> home\release).
std::string releaseFilePath(const std::string& javaExe);
// Its contents (at most kReleaseFileMaxBytes read); false when the file is
// missing or unreadable, info then empty.
bool readReleaseFile(const std::string& path, ReleaseInfo& info);

} // namespace lumen
