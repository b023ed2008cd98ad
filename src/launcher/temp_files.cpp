#include "launcher/temp_files.h"

#include "launcher/errors.h"
#include "launcher/paths.h"
#include "os/paths.h"
#include "os/ui.h"

namespace lumen {

bool isWritableDirectory(const std::string& directory) {
    const std::string probe = pathUnder(directory, {"lmx_w_testdir"});
    os::removeDirectory(probe);
    if (!os::createDirectory(probe)) return false;
    const bool exists = fileExists(probe);
    os::removeDirectory(probe);
    return exists;
}

std::string chooseTempDirectory() {
    std::string systemPath;
    os::systemTempPath(systemPath);
    std::string longForm;
    if (longPathName(systemPath, longForm) == 0) longForm = systemPath;
    if (longForm.find('?') == std::string::npos) return systemPath;

    std::string windows;
    os::windowsDirectory(windows);
    for (const std::string& candidate :
         {windows + "\\temp", std::string("c:\\temp"), std::string("c:\\tmp"), windows}) {
        if (!candidate.empty() && isWritableDirectory(candidate)) return candidate;
    }
    if (isWritableDirectory("c:\\")) {
        os::createDirectory("c:\\tmp");
        if (isWritableDirectory("c:\\tmp")) return "c:\\tmp";
    }
    os::errorBox(nullptr, "I am sorry, but you must be at least Poweruser to run this program.\n",
                 "Error");
    exitWithCleanup(1);
}

bool createTempFile(std::string& path) {
    return os::createUniqueTempFile(chooseTempDirectory(), "lmx", path);
}

std::string processFileName(unsigned long processId) {
    std::string systemPath;
    os::systemTempPath(systemPath);
    return systemPath + "lmx_p" + std::to_string(static_cast<long>(processId)) + ".tmp";
}

} // namespace lumen
