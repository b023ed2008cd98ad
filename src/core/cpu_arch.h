// The processor architecture a Java runtime was built for, from the two
// places that tell it without starting the runtime: the machine field of its
// jvm.dll and the OS_ARCH line of its release file.
//
// Contract: pure mappings and the fit rule. A process loads only a VM
// library of its own architecture, so a launcher skips a runtime whose
// architecture is known and differs from its own; an unknown architecture
// (no PE image, no OS_ARCH) is left to the loader to judge.
#pragma once

#include <cstdint>
#include <string>

#include "core/image_layout.h"

namespace lumen {

enum class CpuArch {
    Unknown, // not a PE image, or nothing said
    X86,
    X64,
    Arm64,
    Other, // known, but none of the above (ARM32, Itanium, ...)
};

// The architecture this code is compiled for, which is the launcher's own.
constexpr CpuArch kBuildArch =
#if defined(__x86_64__) || defined(_M_X64)
    CpuArch::X64;
#elif defined(__i386__) || defined(_M_IX86)
    CpuArch::X86;
#elif defined(__aarch64__) || defined(_M_ARM64)
    CpuArch::Arm64;
#else
    CpuArch::Unknown;
#endif

// "x86", "x64", "arm64", "other" or "unknown", as the log names them.
const char* cpuArchName(CpuArch arch);

// IMAGE_FILE_MACHINE_* of a COFF header.
CpuArch cpuArchFromPeMachine(uint16_t machine);

// The architecture of a PE image read through read; Unknown when the file is
// no PE image.
CpuArch peImageArch(const ImageReader& read, uint64_t fileSize);

// The OS_ARCH value of a runtime's release file ("x86_64", "amd64", "i586",
// "aarch64", ...), case-insensitively; Unknown for an empty value.
CpuArch cpuArchFromOsArch(const std::string& osArch);

// Whether a launcher built for launcher may load a runtime built for runtime.
bool runtimeArchFits(CpuArch launcher, CpuArch runtime);

// The log line for a VM library that does not fit:
// "Skipping c:\j\bin\server\jvm.dll: x86 runtime, x64 launcher".
std::string archMismatchLine(const std::string& library, CpuArch runtime, CpuArch launcher);

} // namespace lumen
