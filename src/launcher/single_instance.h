// One running instance per executable.
//
// Contract: instanceSemaphoreName() is the executable's module path with
// every backslash turned into "_" (also handed to the Java side).
// ensureSingleInstance() returns in the first process of an executable; a
// later process brings the first one's windows to the front and ends with
// exit code 0. Until process records exist in this launcher, every process
// counts as the first one.
#pragma once

#include <string>

namespace lumen {
const std::string& instanceSemaphoreName();
void ensureSingleInstance(bool singleInstanceOption, bool handOverArguments);
} // namespace lumen
