#include "launcher/runtime_archive.h"

#include "launcher/errors.h"
#include "launcher/jvm_loader.h"
#include "launcher/log.h"

namespace lumen {

void extractRuntimeArchive(void*) {
    logError("Runtime archives are not supported by this launcher build, searching instead");
    if (!LoadDLL(false, nullptr, false)) fatalMessage(1001);
}

} // namespace lumen
