#include "core/cpu_arch.h"

#include <algorithm>
#include <cctype>

namespace lumen {

const char* cpuArchName(CpuArch arch) {
    switch (arch) {
    case CpuArch::X86:
        return "x86";
    case CpuArch::X64:
        return "x64";
    case CpuArch::Arm64:
        return "arm64";
    case CpuArch::Other:
        return "other";
    case CpuArch::Unknown:
        break;
    }
    return "unknown";
}

CpuArch cpuArchFromPeMachine(uint16_t machine) {
    switch (machine) {
    case 0x014C:
        return CpuArch::X86;
    case 0x8664:
        return CpuArch::X64;
    case 0xAA64:
        return CpuArch::Arm64;
    default:
        return CpuArch::Other;
    }
}

CpuArch peImageArch(const ImageReader& read, uint64_t fileSize) {
    uint16_t machine = 0;
    return readPeMachine(read, fileSize, machine) ? cpuArchFromPeMachine(machine)
                                                  : CpuArch::Unknown;
}

CpuArch cpuArchFromOsArch(const std::string& osArch) {
    std::string name(osArch);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (name.empty()) return CpuArch::Unknown;
    // The names the JDK's build has written into OS_ARCH over the years:
    // os.arch values ("amd64", "x86") and GNU triplet parts ("x86_64", "i586").
    if (name == "x86_64" || name == "amd64" || name == "x64") return CpuArch::X64;
    if (name == "x86" || name == "i386" || name == "i486" || name == "i586" || name == "i686")
        return CpuArch::X86;
    if (name == "aarch64" || name == "arm64") return CpuArch::Arm64;
    return CpuArch::Other;
}

bool runtimeArchFits(CpuArch launcher, CpuArch runtime) {
    return runtime == CpuArch::Unknown || launcher == CpuArch::Unknown || runtime == launcher;
}

std::string archMismatchLine(const std::string& library, CpuArch runtime, CpuArch launcher) {
    return "Skipping " + library + ": " + cpuArchName(runtime) + " runtime, " +
           cpuArchName(launcher) + " launcher";
}

} // namespace lumen
