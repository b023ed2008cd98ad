#include "launcher/jvm_entry.h"

namespace lumen {
namespace {
void* createJavaVm = nullptr;
} // namespace

void setCreateJavaVmFunction(void* function) {
    createJavaVm = function;
}
void* createJavaVmFunction() {
    return createJavaVm;
}
} // namespace lumen
