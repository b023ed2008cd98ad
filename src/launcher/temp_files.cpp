#include "launcher/temp_files.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <utility>

#include "launcher/paths.h"
#include "os/file.h"
#include "os/paths.h"
#include "os/system.h"

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

namespace {

constexpr int kDirectoryDraws = 16;

} // namespace

bool createPrivateDirectoryIn(Launcher& launcher, const std::string& directory, std::string& path,
                              RandomSource random) {
    static const char kHex[] = "0123456789abcdef";
    for (int draw = 0; draw < kDirectoryDraws; ++draw) {
        std::array<uint8_t, 16> bytes{};
        if (!random(bytes.data(), bytes.size())) {
            launcher.log.error("Could not draw random bytes for a directory name (error %lu)",
                               os::lastErrorCode());
            return false;
        }
        std::string name = "lmx";
        for (const uint8_t byte : bytes) {
            name += kHex[byte >> 4];
            name += kHex[byte & 0xF];
        }
        const std::string candidate = joinPath(os::pathStyle(), directory, name + "_dir");
        switch (os::createNewDirectory(candidate)) {
        case os::NewDirectory::Created: {
            path = candidate;
            // Marked before anything can name it in a deletion list.
            os::File mark = os::File::markInUse(candidate);
            if (!mark.valid())
                launcher.log.error("Could not mark %s as in use (error %lu)", candidate.c_str(),
                                   os::lastErrorCode());
            launcher.inUse.add(std::move(mark));
            return true;
        }
        case os::NewDirectory::NameTaken:
            launcher.log.error("%s exists already; drawing another name", candidate.c_str());
            break;
        case os::NewDirectory::Failed:
            return false;
        }
    }
    return false;
}

} // namespace lumen
