// libFuzzer target: the input is a whole launcher file. It takes the stub's
// path: the block's bounds from the image headers (PE or ELF), then
// the reader limited to those bounds.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/image_layout.h"
#include "read_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // PE or ELF, reading like the stub: any range, checked against the file.
    const lumen::ImageReader read = [data, size](uint64_t offset, uint8_t* out, size_t n) {
        if (offset > size || n > size - offset) return false;
        std::memcpy(out, data + offset, n);
        return true;
    };
    lumen::BlockBounds bounds;
    if (!lumen::locateAppendedBlock(read, size, bounds)) return 0;
    if (bounds.start > bounds.end || bounds.end > size) {
        std::fprintf(stderr, "fuzz check failed: bounds [%llu, %llu) in a %zu-byte file\n",
                     static_cast<unsigned long long>(bounds.start),
                     static_cast<unsigned long long>(bounds.end), size);
        std::abort();
    }
    // Like the stub after its seek: the source runs to the end of the file,
    // past any signature, and only the limit keeps the reader inside the block.
    const size_t start = static_cast<size_t>(bounds.start);
    lumen_fuzz::readBlockAndLookUp(data + start, size - start, bounds.end - bounds.start);
    return 0;
}
