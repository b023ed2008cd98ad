#include "builder/writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <utility>
#include <vector>

#include "builder/codepage.h"
#include "builder/host.h"
#include "builder/pe_resources.h"
#include "builder/stub_check.h"
#include "core/bytes.h"
#include "core/config_block.h"
#include "core/image_layout.h"
#include "core/included_names.h"
#include "core/property_catalogue.h"

namespace lumen::builder {
namespace {

constexpr size_t kChunk = 1 << 20;

// Removes the temporary output unless the write completed.
class TemporaryOutput {
  public:
    explicit TemporaryOutput(std::string path) : path_(std::move(path)) {}
    TemporaryOutput(const TemporaryOutput&) = delete;
    TemporaryOutput& operator=(const TemporaryOutput&) = delete;
    ~TemporaryOutput() {
        if (!kept_) std::filesystem::remove(nativePath(path_), ignored_);
    }
    void keep() { kept_ = true; }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    bool kept_ = false;
    std::error_code ignored_;
};

// Writes the output and sums it for the PE checksum on the way.
class Output {
  public:
    Output(const std::string& temporary, std::string outputPath)
        : out_(nativePath(temporary), std::ios::binary | std::ios::trunc),
          path_(std::move(outputPath)) {
        if (!out_) throw BuildError(temporary + ": cannot open for writing");
    }

    void write(const char* data, size_t size) {
        out_.write(data, static_cast<std::streamsize>(size));
        if (!out_) throw BuildError(path_ + ": cannot write: " + std::strerror(errno));
        checksum_.add(data, size);
    }

    // Everything has been written: the sum is complete.
    void patchChecksum(size_t offset) {
        std::string field;
        appendLe32(field, checksum_.finish());
        out_.seekp(static_cast<std::streamoff>(offset));
        out_.write(field.data(), static_cast<std::streamsize>(field.size()));
        if (!out_) throw BuildError(path_ + ": cannot write: " + std::strerror(errno));
    }

    void close() {
        out_.close();
        if (!out_) throw BuildError(path_ + ": cannot write");
    }

  private:
    std::ofstream out_;
    std::string path_;
    PeChecksum checksum_;
};

// A Windows stub: its resources rewritten from the description, and its
// checksum field cleared for the sum over the whole launcher. Returns the
// checksum field's offset, or 0 when the stub is not a PE image.
size_t prepareWindowsImage(std::string& image, const std::string& stubPath,
                           const Description& description, const std::string& outputPath) {
    if (image.compare(0, 2, "MZ") != 0) return 0; // ELF: no resources, no checksum
    PeLayout layout;
    std::string error;
    if (!readPeLayout(image, layout, error)) throw DescriptionError(stubPath + ": " + error);
    if (layout.hasResources) {
        ResourceTree tree;
        if (!readResourceTree(image, layout, tree, error))
            throw DescriptionError(stubPath + ": " + error);
        std::u16string outputName;
        if (!toUtf16(fileNameOf(outputPath), outputName))
            throw DescriptionError(outputPath + ": the file name is not valid UTF-8");
        applyLauncherResources(tree, description.resources, outputName);
        if (!replaceResourceSection(image, layout, tree, error))
            throw DescriptionError(stubPath + ": " + error);
    } else if (description.resources.requested) {
        throw DescriptionError(stubPath + ": the stub carries no resources, so the icon, version "
                                          "information, manifest and splash image cannot be set");
    }
    std::memset(&image[layout.checksumOffset], 0, 4);
    return layout.checksumOffset;
}

// Included files that lumen-build adds itself: the Linux launcher's splash
// picture (a Windows launcher carries it as a resource instead). They follow
// the description's files, and the count and names say so.
std::vector<std::pair<std::string, std::string>>
generatedFiles(const std::string& image, const Description& description,
               std::map<int32_t, std::string>& narrow) {
    std::vector<std::pair<std::string, std::string>> files;
    if (image.compare(0, 2, "MZ") == 0 || !description.resources.splash) return files;
    for (const IncludedFile& file : description.files)
        if (file.name == kRuntimeSplashFileName)
            throw DescriptionError(file.path + ": the name " + kRuntimeSplashFileName +
                                   " is taken by the splash picture of a Linux launcher");
    files.emplace_back(kRuntimeSplashFileName, encodeSplashPng(*description.resources.splash));
    narrow[idOf(Property::IncludedFileCount)] =
        std::to_string(description.files.size() + files.size());
    narrow[idOf(Property::IncludedFileNames)] += std::string(kRuntimeSplashFileName) + ";";
    return files;
}

void writeIncludedHeader(Output& out, size_t size) {
    std::string header;
    appendLe32(header, static_cast<uint32_t>(size));
    out.write(header.data(), header.size());
}

} // namespace

void writeLauncher(const std::string& stubPath, const Description& description,
                   const std::string& outputPath) {
    std::ifstream stub(nativePath(stubPath), std::ios::binary);
    if (!stub) throw DescriptionError(stubPath + ": cannot read the stub");
    std::string image((std::istreambuf_iterator<char>(stub)), std::istreambuf_iterator<char>());
    BlockBounds bounds;
    const ImageReader readImage = [&image](uint64_t offset, uint8_t* out, size_t size) {
        if (offset > image.size() || size > image.size() - offset) return false;
        std::memcpy(out, image.data() + offset, size);
        return true;
    };
    if (!locateAppendedBlock(readImage, image.size(), bounds))
        throw DescriptionError(stubPath +
                               ": not a PE or ELF image with sections (damaged headers?)");
    image.resize(static_cast<size_t>(bounds.start));
    // Any other executable would take the block and run as itself.
    if (!carriesStubMarker(image))
        throw DescriptionError(stubPath + ": not one of Lumen's stubs (it carries no stub marker); "
                                          "--stub takes a stub from dist/stub/");
    const size_t checksumOffset = prepareWindowsImage(image, stubPath, description, outputPath);
    std::map<int32_t, std::string> narrow = description.narrow;
    std::vector<std::pair<std::string, std::string>> generated =
        generatedFiles(image, description, narrow);

    std::string temporaryPath, error;
    if (!createTemporaryFile(directoryOf(outputPath), temporaryPath, error))
        throw BuildError(error);
    TemporaryOutput temporary(temporaryPath);
    Output out(temporary.path(), outputPath);
    out.write(image.data(), image.size());
    const std::string tables = encodeConfigurationTables(narrow, description.wide);
    out.write(tables.data(), tables.size());

    std::vector<char> buffer(kChunk);
    for (const IncludedFile& file : description.files) {
        std::ifstream in(nativePath(file.path), std::ios::binary | std::ios::ate);
        if (!in) throw DescriptionError(file.path + ": cannot read the included file");
        const std::streamoff size = in.tellg();
        if (size < 0 || size > INT32_MAX)
            throw DescriptionError(file.path + ": included files must be smaller than 2 GiB");
        in.seekg(0);
        writeIncludedHeader(out, static_cast<size_t>(size));
        std::streamoff left = size;
        while (left > 0) {
            const size_t want = static_cast<size_t>(std::min<std::streamoff>(left, kChunk));
            in.read(buffer.data(), static_cast<std::streamsize>(want));
            if (static_cast<size_t>(in.gcount()) != want)
                throw DescriptionError(file.path + ": changed or unreadable while being included");
            scrambleBytes(reinterpret_cast<uint8_t*>(buffer.data()), want);
            out.write(buffer.data(), want);
            left -= static_cast<std::streamoff>(want);
        }
    }
    for (auto& [name, bytes] : generated) {
        writeIncludedHeader(out, bytes.size());
        scrambleBytes(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
        out.write(bytes.data(), bytes.size());
    }
    if (checksumOffset != 0) out.patchChecksum(checksumOffset);
    out.close();
    markExecutable(temporary.path());
    if (!replaceFile(temporary.path(), outputPath, error)) throw BuildError(error);
    temporary.keep();
}

} // namespace lumen::builder
