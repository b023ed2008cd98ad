#include "launcher/configuration.h"

#include <cstdio>
#include <vector>

#include "core/config_block.h"
#include "core/image_layout.h"
#include "launcher/errors.h"
#include "launcher/log.h"
#include "launcher/paths.h"
#include "launcher/properties.h"
#include "os/system.h"
#include "os/ui.h"

namespace lumen {
namespace {

uint64_t sectionOffset = 0;
uint64_t blockEnd = 0;

[[noreturn]] void failReading(BlockError error, unsigned long systemError) {
    if (error == BlockError::ReadInt) {
        char line[32];
        std::snprintf(line, sizeof line, "error %lu\n", systemError);
        os::writeStandardOutput(line);
    }
    fatalError(blockErrorText(error));
}

} // namespace

ByteSource fileByteSource(os::File& file) {
    ByteSource source;
    source.context = &file;
    source.read = [](void* context, void* buffer, size_t n, size_t& got, unsigned long& error) {
        if (static_cast<os::File*>(context)->read(buffer, n, got)) return true;
        error = os::lastErrorCode();
        return false;
    };
    return source;
}

os::File openOwnExecutable() {
    const std::string& path = moduleFileName();
    os::File file = os::File::openForReading(path);
    if (!file.valid()) {
        logError("Could not open %s", path.c_str());
        fatalError(
            "Error opening media file. Please move this file to an ascii-only path like c:\\");
    }
    return file;
}

void readConfiguration() {
    os::File file = openOwnExecutable();

    // Where the block lies comes from the image's own headers: the end of its
    // last section, up to an Authenticode signature if one is attached.
    uint64_t fileSize = 0;
    if (!file.size(fileSize)) failReading(BlockError::ReadInt, os::lastErrorCode());
    bool readFailed = false;
    const ImageReader readImage = [&file, &readFailed](uint64_t offset, uint8_t* out, size_t size) {
        size_t got = 0;
        const bool ok = file.seek(offset) && file.read(out, size, got);
        readFailed = readFailed || !ok;
        return ok && got == size;
    };
    BlockBounds bounds;
    if (!locateAppendedBlock(readImage, fileSize, bounds)) {
        if (readFailed) failReading(BlockError::ReadInt, os::lastErrorCode());
        failReading(BlockError::Magic, 0);
    }
    if (!file.seek(bounds.start)) failReading(BlockError::ReadInt, os::lastErrorCode());

    BlockReader reader(fileByteSource(file), bounds.end - bounds.start);
    const BlockError error = readConfigurationBlock(reader, mutablePropertyStore());
    if (error != BlockError::None) failReading(error, reader.systemError());

    sectionOffset = bounds.start + reader.consumed();
    blockEnd = bounds.end;
    file.close();

    const int32_t kind = getIntProperty(107);
    if (kind != 1 && kind != 5) disableErrorBoxes();
}

uint64_t includedFilesOffset() {
    return sectionOffset;
}
uint64_t configurationEnd() {
    return blockEnd;
}

} // namespace lumen
