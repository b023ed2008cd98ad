// One running instance per executable.
//
// Contract: ensureSingleInstance() returns in the first process of an
// executable; a later process brings the first one's windows to the front
// and ends with exit code 0. Until process records exist in this launcher,
// every process counts as the first one.
#pragma once

namespace lumen {
void ensureSingleInstance(bool singleInstanceOption, bool handOverArguments);
} // namespace lumen
