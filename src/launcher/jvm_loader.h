// Obtaining a Java VM: a runtime handed in (a directory, or a java.exe the
// user picked) or found by the search, then its jvm.dll from one of the VM
// subdirectories beside java.exe, and the entry point JNI_CreateJavaVM.
//
// Contract: LoadDLL() returns true when the library is loaded and the entry
// point was handed to the launch. On failure it logs and, with showErrors,
// shows exactly one configured message chosen by how the runtime was found;
// it never ends the process. Libraries are loaded by full path, with the
// runtime's bin directory in the DLL search while they load.
#pragma once

#include <string>

namespace lumen {

bool LoadDLL(bool showErrors, const std::string* location, bool locationIsExe);
void* loadJvmLibrary(const std::string& javaExe);
void* loadJvmLibraryNear(const std::string& javaExe);
void* tryJvmLibrary(const std::string& javaExe, const std::string& subdirectory);
bool resolveCreateJavaVM(void* library);

} // namespace lumen
