#include "launcher/extraction.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "core/included_names.h"
#include "core/path_rules.h"
#include "core/property_store.h"
#include "launcher/configuration.h"
#include "launcher/temp_files.h"
#include "os/paths.h"
#include "os/system.h"

namespace lumen {
namespace {

// Larger than the 8 KB blocks a byte-wise copy would use: runtimes and big
// jars travel here, and fewer system calls keep the copy near disk speed.
constexpr size_t kCopyChunk = size_t{256} * 1024;

} // namespace

Result<bool> copyUnscrambled(Launcher& launcher, BlockReader& source, os::File& target,
                             int64_t size) {
    // As large as the file needs and not zeroed: most included files are
    // small, and clearing a fresh 256 KiB for each cost a start about half
    // a millisecond per file in page faults alone.
    const size_t chunk = static_cast<size_t>(
        size < static_cast<int64_t>(kCopyChunk) ? (size > 0 ? size : 1) : kCopyChunk);
    const std::unique_ptr<uint8_t[]> buffer(new uint8_t[chunk]);
    int64_t copied = 0;
    while (copied < size) {
        const size_t want = static_cast<size_t>(
            size - copied < static_cast<int64_t>(chunk) ? size - copied : chunk);
        if (!source.readExact(buffer.get(), want)) {
            launcher.log.error("ReadFile failed");
            return false;
        }
        scrambleBytes(buffer.get(), want);
        if (!target.writeAll(buffer.get(), want)) {
            launcher.log.error("WriteFile failed");
            return Failure::internalError("13");
        }
        copied += static_cast<int64_t>(want);
    }
    return true;
}

Result<bool> extractOneFile(Launcher& launcher, BlockReader& ownFile, const std::string& path) {
    int32_t size = 0;
    if (!ownFile.readInt(size)) return Failure::fixedText(blockErrorText(BlockError::ReadInt));
    launcher.log.info("extracting %s (size: %d)", path.c_str(), size);
    if (size <= 0) return true;
    os::File target = os::File::createForWriting(path);
    if (!target.valid()) return Failure::internalError("11");
    return copyUnscrambled(launcher, ownFile, target, size);
}

Result<std::string> extractIncludedFiles(Launcher& launcher) {
    launcher.log.info("extracting files");
    const int32_t count = launcher.properties.integer(Property::IncludedFileCount);
    launcher.log.info("Included files: %d", count);
    std::string directory;
    if (count <= 0) return directory;

    std::vector<std::string> names =
        splitList(launcher.properties.text(Property::IncludedFileNames));
    if (names.size() > static_cast<size_t>(count)) names.resize(static_cast<size_t>(count));
    const auto refused = std::find_if(names.begin(), names.end(), [](const std::string& name) {
        return !isSafeIncludedName(name);
    });
    if (refused != names.end()) {
        launcher.log.error("Refusing included file name %s", refused->c_str());
        return Failure::internalError("11");
    }

    Result<os::File> opened = openOwnExecutable(launcher);
    if (!opened) return opened.failure();
    os::File& own = opened.value();
    if (!own.seek(launcher.block.includedFilesOffset))
        return Failure::fixedText(blockErrorText(BlockError::ReadInt));
    BlockReader reader(fileByteSource(own),
                       launcher.block.end - launcher.block.includedFilesOffset);

    const std::optional<std::string> temporary = chooseTempDirectory();
    if (!temporary) return noTempDirectory();
    // Created under an unguessable name in one step: nobody else can have
    // placed the directory, or anything in it, before the files arrive.
    if (!createPrivateDirectoryIn(launcher, *temporary, directory)) {
        launcher.log.error("Could not create a directory in %s (error %lu)", temporary->c_str(),
                           os::lastErrorCode());
        return Failure::internalError("7");
    }
    launcher.log.info("Temp dir: %s", directory.c_str());

    for (const std::string& name : names) {
        const std::string path = joinPath(os::pathStyle(), directory, name);
        launcher.unpacked.addFile(path);
        const Result<bool> extracted = extractOneFile(launcher, reader, path);
        if (!extracted) return extracted.failure();
        if (!extracted.value()) {
            launcher.log.error("Failed to extract %s", path.c_str());
            // The directory must not outlive the failed run either.
            launcher.unpacked.addDirectory(directory);
            return Failure::filesDamaged();
        }
    }
    launcher.unpacked.addDirectory(directory);
    launcher.log.info("extracting files done");
    return directory;
}

} // namespace lumen
