// A launcher description (TOML) turned into the block's contents.
//
// Contract: parseDescription() reads the description, maps readable keys
// and raw ids onto property ids (raw ids win), converts narrow texts into
// the description's code page (Windows-1252 by default) and lists the
// included files. The keys of a Windows launcher's own resources are read
// by readResourceKeys() (resource_keys.h) into `resources`, with the files
// they name already checked. Any problem throws DescriptionError with a
// message that names the file, the line when known, the key and what is
// wrong; nothing is written then. Readable keys are checked against what
// the launcher reads (a binary main class name, known class-path types and
// search letters, version numbers); a missing main class is refused. Raw
// ids are written as they stand, with warnings where the launcher would not
// read them so. Texts the description leaves out get the catalogue's
// defaults (the captions: the application name when one is given).
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "builder/launcher_resources.h"

namespace lumen::builder {

struct DescriptionError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct IncludedFile {
    std::string path; // on this machine
    std::string name; // in the extraction directory
};

struct Description {
    std::map<int32_t, std::string> narrow; // already in the target code page
    std::map<int32_t, std::u16string> wide;
    std::vector<IncludedFile> files;
    bool includeRuntimeJar = true;
    // The Windows stub's machine: "x64" (the default: what current Windows
    // runs natively) or "x86".
    std::string architecture = "x64";
    LauncherResources resources; // for Windows stubs only
    // What lumen-build writes but the launcher would not read as given
    // (raw ids), each naming the file, the line and the key.
    std::vector<std::string> warnings;
};

// runtimeJar: the Java runtime classes to include unless the description
// turns that off (empty: none available).
Description parseDescription(const std::string& descriptionPath, const std::string& runtimeJar);
Description parseDescriptionText(const std::string& text, const std::string& sourceName,
                                 const std::string& baseDirectory, const std::string& runtimeJar);

// The executable type a description asks for (property 107), for the
// choice of stub: GUI for 1 and 5, console otherwise.
bool wantsGuiStub(const Description& description);

// The stub's file name in ../stub/ when none is named: flavour by the
// executable type, machine by the architecture key.
std::string defaultStubName(const Description& description);

} // namespace lumen::builder
