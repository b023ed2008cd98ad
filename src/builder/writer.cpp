#include "builder/writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "core/bytes.h"
#include "core/config_block.h"
#include "core/image_layout.h"

namespace lumen::builder {
namespace {

constexpr size_t kChunk = 1 << 20;

// Removes the temporary output unless the write completed.
class TemporaryOutput {
  public:
    explicit TemporaryOutput(std::string path) : path_(std::move(path)) {}
    ~TemporaryOutput() {
        if (!kept_) std::remove(path_.c_str());
    }
    void keep() { kept_ = true; }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    bool kept_ = false;
};

void writeOrThrow(std::ofstream& out, const char* data, size_t size, const std::string& path) {
    out.write(data, static_cast<std::streamsize>(size));
    if (!out) throw BuildError(path + ": cannot write: " + std::strerror(errno));
}

} // namespace

void writeLauncher(const std::string& stubPath, const Description& description,
                   const std::string& outputPath) {
    std::ifstream stub(stubPath, std::ios::binary);
    if (!stub) throw DescriptionError(stubPath + ": cannot read the stub");
    std::vector<char> image((std::istreambuf_iterator<char>(stub)),
                            std::istreambuf_iterator<char>());
    BlockBounds bounds;
    const ImageReader readImage = [&image](uint64_t offset, uint8_t* out, size_t size) {
        if (offset > image.size() || size > image.size() - offset) return false;
        std::memcpy(out, image.data() + offset, size);
        return true;
    };
    if (!locateAppendedBlock(readImage, image.size(), bounds))
        throw DescriptionError(stubPath +
                               ": not a PE or ELF image with sections (damaged headers?)");

    const size_t slash = outputPath.find_last_of('/');
    const std::string directory = slash == std::string::npos ? "." : outputPath.substr(0, slash);
    std::string pattern = directory + "/.lumen-build-XXXXXX";
    const int fd = mkstemp(&pattern[0]);
    if (fd < 0)
        throw BuildError(directory + ": cannot create a temporary file: " + std::strerror(errno));
    close(fd);
    TemporaryOutput temporary(pattern);

    std::ofstream out(temporary.path(), std::ios::binary | std::ios::trunc);
    if (!out) throw BuildError(temporary.path() + ": cannot open for writing");
    writeOrThrow(out, image.data(), static_cast<size_t>(bounds.start), outputPath);
    const std::string tables = encodeConfigurationTables(description.narrow, description.wide);
    writeOrThrow(out, tables.data(), tables.size(), outputPath);

    std::vector<char> buffer(kChunk);
    for (const IncludedFile& file : description.files) {
        std::ifstream in(file.path, std::ios::binary | std::ios::ate);
        if (!in) throw DescriptionError(file.path + ": cannot read the included file");
        const std::streamoff size = in.tellg();
        if (size < 0 || size > INT32_MAX)
            throw DescriptionError(file.path + ": included files must be smaller than 2 GiB");
        in.seekg(0);
        std::string header;
        appendLe32(header, static_cast<uint32_t>(size));
        writeOrThrow(out, header.data(), header.size(), outputPath);
        std::streamoff left = size;
        while (left > 0) {
            const size_t want = static_cast<size_t>(std::min<std::streamoff>(left, kChunk));
            in.read(buffer.data(), static_cast<std::streamsize>(want));
            if (static_cast<size_t>(in.gcount()) != want)
                throw DescriptionError(file.path + ": changed or unreadable while being included");
            scrambleBytes(reinterpret_cast<uint8_t*>(buffer.data()), want);
            writeOrThrow(out, buffer.data(), want, outputPath);
            left -= static_cast<std::streamoff>(want);
        }
    }
    out.close();
    if (!out) throw BuildError(outputPath + ": cannot write");
    chmod(temporary.path().c_str(), 0755);
    if (std::rename(temporary.path().c_str(), outputPath.c_str()) != 0)
        throw BuildError(outputPath + ": cannot write: " + std::strerror(errno));
    temporary.keep();
}

} // namespace lumen::builder
