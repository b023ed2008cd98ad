// The checks both fuzz targets run on one block: read it as the stub does,
// through the 64 KiB buffered reader, then look properties up the way the
// launcher does. Anything that goes wrong traps, so libFuzzer keeps the input.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumen_fuzz {

// data/size is everything the file holds from the block's first byte on
// (a signature may follow the block); limit is the block's length. The
// reader must never take a byte beyond limit from its source.
void readBlockAndLookUp(const uint8_t* data, size_t size, uint64_t limit);

} // namespace lumen_fuzz
