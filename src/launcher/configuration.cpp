#include "launcher/configuration.h"

#include <cstdio>
#include <vector>

#include "core/config_block.h"
#include "core/image_layout.h"
#include "launcher/errors.h"
#include "os/system.h"
#include "os/ui.h"

namespace lumen {
namespace {

Failure readingFailed(BlockError error, unsigned long systemError) {
    if (error == BlockError::ReadInt) {
        char line[32];
        (void)std::snprintf(line, sizeof line, "error %lu\n", systemError);
        os::writeStandardOutput(line);
    }
    return Failure::fixedText(blockErrorText(error));
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

Result<os::File> openOwnExecutable(Launcher& launcher) {
    const std::string& path = launcher.paths.moduleFileName();
    os::File file = os::File::openForReading(path);
    if (!file.valid()) {
        launcher.log.error("Could not open %s", path.c_str());
        return Failure::fixedText(
            "Error opening media file. Please move this file to an ascii-only path like c:\\");
    }
    return file;
}

Outcome readConfiguration(Launcher& launcher) {
    Result<os::File> opened = openOwnExecutable(launcher);
    if (!opened) return opened.failure();
    os::File& file = opened.value();

    // Where the block lies comes from the image's own headers: the end of its
    // last section, up to an Authenticode signature if one is attached.
    uint64_t fileSize = 0;
    if (!file.size(fileSize)) return readingFailed(BlockError::ReadInt, os::lastErrorCode());
    bool readFailed = false;
    const ImageReader readImage = [&file, &readFailed](uint64_t offset, uint8_t* out, size_t size) {
        size_t got = 0;
        const bool ok = file.seek(offset) && file.read(out, size, got);
        readFailed = readFailed || !ok;
        return ok && got == size;
    };
    BlockBounds bounds;
    if (!locateAppendedBlock(readImage, fileSize, bounds)) {
        if (readFailed) return readingFailed(BlockError::ReadInt, os::lastErrorCode());
        return readingFailed(BlockError::Magic, 0);
    }
    if (!file.seek(bounds.start)) return readingFailed(BlockError::ReadInt, os::lastErrorCode());

    BlockReader reader(fileByteSource(file), bounds.end - bounds.start);
    const BlockError error = readConfigurationBlock(reader, launcher.store);
    if (error != BlockError::None) return readingFailed(error, reader.systemError());

    launcher.block.includedFilesOffset = bounds.start + reader.consumed();
    launcher.block.end = bounds.end;
    file.close();

    const int32_t kind = launcher.properties.integer(Property::ExecutableType);
    if (kind != 1 && kind != 5) disableErrorBoxes(launcher);
    return Outcome();
}

} // namespace lumen
