// libFuzzer target: the input is the configuration block itself (no image
// headers in front), so mutations land on the tables straight away.
#include <cstddef>
#include <cstdint>

#include "read_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lumen_fuzz::readBlockAndLookUp(data, size, size);
    return 0;
}
