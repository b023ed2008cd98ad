// libFuzzer target: the input is a resource section as a stub carries it.
// A tree that parses must lay out into bytes that parse into the same tree,
// and laying that out again must give the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "builder/pe_resources.h"

namespace {

constexpr uint32_t kSectionRva = 0x89000;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lumen::builder::ResourceTree tree;
    std::string error;
    if (!lumen::builder::parseResourceSection(data, size, kSectionRva, tree, error)) {
        if (error.empty()) fail("a refused tree without a message");
        return 0;
    }
    const std::string laidOut = lumen::builder::layoutResourceSection(tree, kSectionRva);
    lumen::builder::ResourceTree again;
    if (!lumen::builder::parseResourceSection(reinterpret_cast<const uint8_t*>(laidOut.data()),
                                              laidOut.size(), kSectionRva, again, error))
        fail("a laid-out tree does not parse");
    if (!(again == tree)) fail("a laid-out tree parses into another tree");
    if (lumen::builder::layoutResourceSection(again, kSectionRva) != laidOut)
        fail("laying out is not repeatable");
    return 0;
}
