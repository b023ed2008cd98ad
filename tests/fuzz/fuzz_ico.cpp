// libFuzzer target: the input is an .ico file. An accepted icon has images
// of 1 to 256 pixels a side, and its group names each of them once.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "builder/ico_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lumen::builder::IconFile icon;
    std::string error;
    if (!lumen::builder::parseIconFile(std::string(reinterpret_cast<const char*>(data), size), icon,
                                       error))
        return 0;
    bool good = !icon.images.empty();
    for (const lumen::builder::IconImage& image : icon.images)
        good = good && image.width >= 1 && image.width <= 256 && image.height >= 1 &&
               image.height <= 256 && image.bytes.size() <= size;
    if (!good || lumen::builder::iconGroup(icon, 1).size() != 6 + 14 * icon.images.size()) {
        std::fprintf(stderr, "fuzz check failed: an accepted icon breaks its contract\n");
        std::abort();
    }
    return 0;
}
