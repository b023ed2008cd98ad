#include "launcher/temp_files.h"

#include <algorithm>
#include <iterator>

#include "launcher/paths.h"
#include "os/paths.h"

namespace lumen {

bool isWritableDirectory(const std::string& directory) {
    const std::string probe = pathUnder(directory, {"lmx_w_testdir"});
    os::removeDirectory(probe);
    if (!os::createDirectory(probe)) return false;
    const bool exists = fileExists(probe);
    os::removeDirectory(probe);
    return exists;
}

std::optional<std::string> chooseTempDirectory() {
    std::string systemPath;
    os::systemTempPath(systemPath);
    std::string longForm;
    if (longPathName(systemPath, longForm) == 0) longForm = systemPath;
    if (longForm.find('?') == std::string::npos) return systemPath;

    std::string windows;
    os::windowsDirectory(windows);
    const std::string candidates[] = {windows + "\\temp", "c:\\temp", "c:\\tmp", windows};
    const auto writable = std::find_if(
        std::begin(candidates), std::end(candidates), [](const std::string& candidate) {
            return !candidate.empty() && isWritableDirectory(candidate);
        });
    if (writable != std::end(candidates)) return *writable;
    if (isWritableDirectory("c:\\")) {
        os::createDirectory("c:\\tmp");
        if (isWritableDirectory("c:\\tmp")) return std::string("c:\\tmp");
    }
    return std::nullopt;
}

Failure noTempDirectory() {
    return Failure::systemBox(
        "I am sorry, but you must be at least Poweruser to run this program.\n", "Error");
}

bool createTempFileIn(const std::string& directory, std::string& path) {
    return os::createUniqueTempFile(directory, "lmx", path);
}

std::string processFileName(unsigned long processId) {
    std::string systemPath;
    os::systemTempPath(systemPath);
    return systemPath + "lmx_p" + std::to_string(static_cast<long>(processId)) + ".tmp";
}

} // namespace lumen
