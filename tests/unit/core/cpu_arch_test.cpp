#include "core/cpu_arch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <vector>

namespace lumen {
namespace {

ImageReader readerOf(const std::vector<uint8_t>& bytes) {
    return [&bytes](uint64_t offset, uint8_t* out, size_t size) {
        if (offset > bytes.size() || size > bytes.size() - offset) return false;
        std::memcpy(out, bytes.data() + offset, size);
        return true;
    };
}

// DOS header pointing at a PE signature and COFF header at peAt.
std::vector<uint8_t> peHead(uint16_t machine, uint32_t peAt = 0x80) {
    std::vector<uint8_t> image(peAt + 24, 0);
    image[0] = 'M';
    image[1] = 'Z';
    std::memcpy(&image[0x3C], &peAt, 4); // the build hosts are little-endian
    std::memcpy(&image[peAt], "PE\0\0", 4);
    image[peAt + 4] = static_cast<uint8_t>(machine);
    image[peAt + 5] = static_cast<uint8_t>(machine >> 8);
    return image;
}

CpuArch archOf(const std::vector<uint8_t>& bytes) {
    return peImageArch(readerOf(bytes), bytes.size());
}

TEST(CpuArch, MachineFieldOfHandMadeHeads) {
    EXPECT_EQ(archOf(peHead(0x014C)), CpuArch::X86);
    EXPECT_EQ(archOf(peHead(0x8664)), CpuArch::X64);
    EXPECT_EQ(archOf(peHead(0xAA64)), CpuArch::Arm64);
    EXPECT_EQ(archOf(peHead(0x01C4)), CpuArch::Other);
    EXPECT_EQ(archOf(peHead(0x8664, 0x400)), CpuArch::X64) << "far PE header";

    auto cut = peHead(0x8664);
    cut.pop_back();
    EXPECT_EQ(archOf(cut), CpuArch::Unknown) << "COFF header cut short";
    auto wild = peHead(0x8664);
    std::memset(&wild[0x3C], 0xFF, 4);
    EXPECT_EQ(archOf(wild), CpuArch::Unknown) << "PE offset past the end";
    auto elf = peHead(0x8664);
    std::memcpy(elf.data(),
                "\x7f"
                "ELF",
                4);
    EXPECT_EQ(archOf(elf), CpuArch::Unknown);
    auto noSignature = peHead(0x8664);
    noSignature[0x81] = 'X';
    EXPECT_EQ(archOf(noSignature), CpuArch::Unknown);
    EXPECT_EQ(archOf(std::vector<uint8_t>(10, 'M')), CpuArch::Unknown);
}

std::vector<uint8_t> fileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

// Real images: the mingw-w64 builds of zlib the stubs link against, Wine's
// built-in DLLs (the 32-bit ones only where the host could install them) and
// the launcher's own stubs after `make dist`.
TEST(CpuArch, MachineFieldOfRealImages) {
    const struct {
        std::string path;
        CpuArch arch;
        bool required;
    } images[] = {
        {"/usr/i686-w64-mingw32/lib/zlib1.dll", CpuArch::X86, true},
        {"/usr/x86_64-w64-mingw32/lib/zlib1.dll", CpuArch::X64, true},
        {"/usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll", CpuArch::X86, false},
        {"/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/kernel32.dll", CpuArch::X64, true},
        {"/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/msvcrt.dll", CpuArch::X64, true},
        {LUMEN_SOURCE_DIR "/dist/stub/lumen-x86.exe", CpuArch::X86, false},
        {LUMEN_SOURCE_DIR "/dist/stub/lumen-x64.exe", CpuArch::X64, false},
        {"/usr/lib/jvm/java-17-openjdk-amd64/lib/server/libjvm.so", CpuArch::Unknown, true},
    };
    for (const auto& image : images) {
        const std::vector<uint8_t> bytes = fileBytes(image.path);
        if (bytes.empty() && !image.required) continue;
        ASSERT_FALSE(bytes.empty()) << image.path;
        EXPECT_EQ(archOf(bytes), image.arch) << image.path;
    }
}

TEST(CpuArch, OsArchNamesAndTheFitRule) {
    const std::pair<const char*, CpuArch> names[] = {
        {"x86_64", CpuArch::X64}, {"AMD64", CpuArch::X64},     {"i586", CpuArch::X86},
        {"x86", CpuArch::X86},    {"aarch64", CpuArch::Arm64}, {"ppc64le", CpuArch::Other},
        {"", CpuArch::Unknown}};
    for (const auto& [name, arch] : names)
        EXPECT_EQ(cpuArchFromOsArch(name), arch) << name;

    EXPECT_TRUE(runtimeArchFits(CpuArch::X64, CpuArch::X64));
    EXPECT_TRUE(runtimeArchFits(CpuArch::X86, CpuArch::Unknown)) << "left to the loader";
    EXPECT_FALSE(runtimeArchFits(CpuArch::X64, CpuArch::X86));
    EXPECT_FALSE(runtimeArchFits(CpuArch::X64, CpuArch::Arm64));
    EXPECT_EQ(archMismatchLine("c:\\j\\bin\\server\\jvm.dll", CpuArch::X86, CpuArch::X64),
              "Skipping c:\\j\\bin\\server\\jvm.dll: x86 runtime, x64 launcher");
}

} // namespace
} // namespace lumen
