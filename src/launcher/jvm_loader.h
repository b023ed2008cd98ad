// Obtaining a Java VM: a runtime handed in (its home directory, or a
// java.exe the user picked) or found by the search, then its jvm.dll from
// one of the VM subdirectories beside java.exe, and the entry point
// JNI_CreateJavaVM, which is kept in the launcher for the launch.
//
// Contract: loadJvm() answers true when the library is loaded and its entry
// point kept. When no runtime qualifies or its library will not load it
// logs and, with ShowErrors::Yes, shows exactly one configured message
// chosen by how the runtime was found, and answers false. It fails only
// when the search fails (see searchJvm). Libraries are loaded by full path,
// with the runtime's bin directory in the DLL search while they load. The
// log keeps the step's traditional name ("LoadDLL (...)").
#pragma once

#include <string>

#include "launcher/failure.h"
#include "launcher/launcher.h"

namespace lumen {

enum class ShowErrors { No, Yes };

// Where the runtime comes from.
struct JvmRequest {
    enum class From { Search, Home, JavaExe };
    From from = From::Search;
    std::string location; // the home directory or the java.exe

    static JvmRequest search() { return {}; }
    static JvmRequest home(std::string directory) { return {From::Home, std::move(directory)}; }
    static JvmRequest javaExe(std::string exe) { return {From::JavaExe, std::move(exe)}; }
};

[[nodiscard]] Result<bool> loadJvm(Launcher& launcher, const JvmRequest& request,
                                   ShowErrors showErrors);

// The first VM library of the runtime (runtime_files.h: vmLibraryPaths)
// that loads; a library built for another architecture is skipped with a
// log line, so the next one is tried.
void* loadJvmLibrary(Launcher& launcher, const std::string& javaExe);
bool resolveCreateJavaVM(Launcher& launcher, void* library);

} // namespace lumen
