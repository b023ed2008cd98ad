// The search for a Java runtime: the preferred location, the configured
// search sequence, the product home variable, the installer location and,
// last, bundled runtimes without a version check.
//
// Contract: searchJvm() reads its settings (properties 128, 126, 127,
// 10003, 2001) anew on every call and reports no errors itself; it returns
// how the runtime was found (JvmSource) with the java.exe path and the name
// under which it was found (a location, a variable name, or the text of an
// S entry).
#pragma once

#include <string>

namespace lumen {

enum JvmSource { kJvmNotFound = 0, kJvmOnSearchPath = 1, kJvmAtLocation = 2,
                 kJvmFromEnvironment = 3, kJvmFromRegistry = 4 };

int searchJvm(std::string& path, std::string& name);
bool testLocation(std::string& path, const std::string& location, const std::string& minimum,
                  const std::string& maximum, bool acceptWithoutCheck);
bool testEnvironmentVariable(std::string& path, const std::string& variable,
                             const std::string& minimum, const std::string& maximum);
bool testSearchPath(std::string& path, const std::string& minimum, const std::string& maximum);
// The first line of a location file below the application directory.
bool readLocationFile(std::string& line, const std::string& name);

} // namespace lumen
