#include "launcher/extraction.h"

#include <cstdlib>
#include <ctime>
#include <vector>

#include "core/included_names.h"
#include "core/path_rules.h"
#include "core/property_store.h"
#include "launcher/configuration.h"
#include "launcher/errors.h"
#include "launcher/included_files.h"
#include "launcher/log.h"
#include "launcher/properties.h"
#include "launcher/temp_files.h"
#include "os/paths.h"
#include "os/system.h"

namespace lumen {
namespace {

// Larger than the 8 KB blocks a byte-wise copy would use: runtimes and big
// jars travel here, and fewer system calls keep the copy near disk speed.
constexpr size_t kCopyChunk = 256 * 1024;

} // namespace

bool copyUnscrambled(BlockReader& source, os::File& target, int64_t size) {
    std::vector<uint8_t> buffer(kCopyChunk);
    int64_t copied = 0;
    while (copied < size) {
        const size_t want = static_cast<size_t>(
            size - copied < static_cast<int64_t>(kCopyChunk) ? size - copied : kCopyChunk);
        if (!source.readExact(buffer.data(), want)) {
            logError("ReadFile failed");
            return false;
        }
        scrambleBytes(buffer.data(), want);
        if (!target.writeAll(buffer.data(), want)) {
            logError("WriteFile failed");
            fatalMessage(1009, "%ERROR_CODE%", "13");
        }
        copied += static_cast<int64_t>(want);
    }
    return true;
}

bool extractOneFile(BlockReader& ownFile, const std::string& path) {
    int32_t size = 0;
    if (!ownFile.readInt(size)) fatalError(blockErrorText(BlockError::ReadInt));
    logInfo("extracting %s (size: %d)", path.c_str(), size);
    if (size <= 0) return true;
    os::File target = os::File::createForWriting(path);
    if (!target.valid()) fatalMessage(1009, "%ERROR_CODE%", "11");
    return copyUnscrambled(ownFile, target, size);
}

bool extractIncludedFiles(std::string& directory) {
    logInfo("extracting files");
    const int32_t count = getIntProperty(2002);
    logInfo("Included files: %d", count);
    directory.clear();
    if (count <= 0) return true;

    std::vector<std::string> names = splitList(stringProperty(2003));
    if (names.size() > static_cast<size_t>(count)) names.resize(static_cast<size_t>(count));
    for (const std::string& name : names) {
        if (!isSafeIncludedName(name)) {
            logError("Refusing included file name %s", name.c_str());
            fatalMessage(1009, "%ERROR_CODE%", "11");
        }
    }

    os::File own = openOwnExecutable();
    if (!own.seek(includedFilesOffset())) fatalError(blockErrorText(BlockError::ReadInt));
    BlockReader reader(fileByteSource(own), configurationEnd() - includedFilesOffset());

    if (!createTempFile(directory)) fatalMessage(1009, "%ERROR_CODE%", "7");
    os::deleteFile(directory);
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    directory += "_dir" + std::to_string(std::rand());
    logInfo("Temp dir: %s", directory.c_str());
    if (!os::createDirectory(directory)) fatalMessage(1009, "%ERROR_CODE%", "7");

    for (const std::string& name : names) {
        const std::string path = joinPath(os::pathStyle(), directory, name);
        registerUnpackedFile(path);
        if (!extractOneFile(reader, path)) {
            logError("Failed to extract %s", path.c_str());
            // The directory must not outlive the failed run either.
            registerUnpackedDirectory(directory);
            return false;
        }
    }
    registerUnpackedDirectory(directory);
    logInfo("extracting files done");
    return true;
}

} // namespace lumen
