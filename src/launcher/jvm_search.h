// The search for a Java runtime: the preferred location, the configured
// search sequence, the product home variable, the installer location and,
// last, bundled runtimes without a version check.
//
// Contract: searchJvm() reads its settings (properties 128, 126, 127,
// 10003, 2001) anew on every call and reports no errors itself; it returns
// how the runtime was found (JvmSource) with the java.exe path and the name
// under which it was found (a location, a variable name, or the text of an
// S entry). It fails only when a packed runtime at a location cannot be
// restored (unpack200 could not be started).
#pragma once

#include <string>

#include "launcher/failure.h"
#include "launcher/launcher.h"

namespace lumen {

// How a runtime was found; the numbers are those the log and the reports
// have always used.
enum class JvmSource {
    NotFound = 0,
    OnSearchPath = 1,
    AtLocation = 2,
    FromEnvironment = 3,
    FromRegistry = 4
};

[[nodiscard]] Result<JvmSource> searchJvm(Launcher& launcher, std::string& path, std::string& name);
[[nodiscard]] Result<bool> testLocation(Launcher& launcher, std::string& path,
                                        const std::string& location, const std::string& minimum,
                                        const std::string& maximum, bool acceptWithoutCheck);
bool testEnvironmentVariable(Launcher& launcher, std::string& path, const std::string& variable,
                             const std::string& minimum, const std::string& maximum);
bool testSearchPath(Launcher& launcher, std::string& path, const std::string& minimum,
                    const std::string& maximum);
// The first line of a location file below the application directory.
bool readLocationFile(const Launcher& launcher, std::string& line, const std::string& name);

} // namespace lumen
