#include "core/tar_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

namespace lumen {
namespace {

// A tar stream in memory; optionally fails reads or skips past a point.
class MemoryTar : public TarInput {
  public:
    explicit MemoryTar(std::string bytes) : bytes_(std::move(bytes)) {}
    long read(void* buffer, size_t n) override {
        if (failReadsFrom_ >= 0 && static_cast<long>(position_) >= failReadsFrom_) return -1;
        const size_t got = std::min(n, bytes_.size() - position_);
        std::memcpy(buffer, bytes_.data() + position_, got);
        position_ += got;
        return static_cast<long>(got);
    }
    bool skip(long n) override {
        if (position_ + static_cast<size_t>(n) > bytes_.size()) return false;
        position_ += static_cast<size_t>(n);
        return true;
    }
    long tell() override { return static_cast<long>(position_); }
    bool atEnd() override { return position_ >= bytes_.size(); }
    long failReadsFrom_ = -1;

  private:
    std::string bytes_;
    size_t position_ = 0;
};

class RecordingTarget : public TarOutput {
  public:
    void makeDirectory(const std::string& name) override { directories.push_back(name); }
    bool openFile(const std::string& name) override {
        if (refuseFiles) return false;
        current = name;
        files[name];
        return true;
    }
    bool write(const void* data, size_t size) override {
        if (failWrites) return false;
        files[current].append(static_cast<const char*>(data), size);
        return true;
    }
    bool closeFile() override { return true; }
    void progress(long offset) override { progressOffsets.push_back(offset); }
    unsigned long tickCount() override { return ticks += 150; }
    void log(bool error, const std::string& line) override {
        lines.push_back((error ? "ERROR: " : "") + line);
    }
    void fileCreationFailed(const std::string& text) override { creationFailure = text; }

    bool hasLine(const std::string& line) const {
        for (const auto& l : lines)
            if (l == line) return true;
        return false;
    }

    std::map<std::string, std::string> files;
    std::vector<std::string> directories;
    std::vector<std::string> lines;
    std::vector<long> progressOffsets;
    std::string current;
    std::string creationFailure;
    unsigned long ticks = 0;
    bool refuseFiles = false;
    bool failWrites = false;
};

std::string header(const std::string& name, size_t size, char type, const char* magic = "ustar\0") {
    std::string block(512, '\0');
    block.replace(0, name.size(), name);
    char sizeField[13];
    std::snprintf(sizeField, sizeof sizeField, "%011zo", size);
    block.replace(124, 11, sizeField, 11);
    block[156] = type;
    std::memcpy(&block[257], magic, 6);
    return block;
}

std::string entry(const std::string& name, const std::string& data, char type = '0') {
    std::string out = header(name, data.size(), type) + data;
    out.append((512 - data.size() % 512) % 512, '\0');
    return out;
}

const std::string kEnd(1024, '\0');

TEST(TarReader, ExtractsDirectoriesAndFilesUntilTheEndBlocks) {
    const std::string big(70000, 'x');
    MemoryTar tar(entry("jre/", "", '5') + entry("jre/bin/java.exe", "MZ") +
                  entry("jre/lib/rt.jar", big) + entry("jre/empty", "") + kEnd +
                  entry("after/end", "ignored"));
    RecordingTarget target;
    ASSERT_TRUE(untarStream(tar, target));
    EXPECT_EQ(target.directories, std::vector<std::string>{"jre\\"});
    EXPECT_EQ(target.files["jre\\bin\\java.exe"], "MZ");
    EXPECT_EQ(target.files["jre\\lib\\rt.jar"], big);
    EXPECT_TRUE(target.files.count("jre\\empty")) << "a size-0 file is created empty";
    EXPECT_FALSE(target.files.count("after\\end"));
    EXPECT_TRUE(target.hasLine("extracting jre\\lib\\rt.jar (size 70000)"));
    EXPECT_GE(target.progressOffsets.size(), 3u) << "one update as each file starts";
}

TEST(TarReader, SkipsOtherEntryTypesWithTheirData) {
    MemoryTar tar(entry("link", "target-data", '2') + entry("old", "x", '\0') +
                  entry("long", std::string(600, 'L'), 'L') + entry("a", "A") + kEnd);
    RecordingTarget target;
    ASSERT_TRUE(untarStream(tar, target));
    EXPECT_EQ(target.files.size(), 1u);
    EXPECT_EQ(target.files["a"], "A");
}

TEST(TarReader, ArchivesWithoutFilesOrMagicAreCorrupted) {
    {
        MemoryTar tar(entry("d/", "", '5'));
        RecordingTarget target;
        EXPECT_FALSE(untarStream(tar, target));
        EXPECT_TRUE(target.hasLine("ERROR: unexpected eof"));
    }
    {
        MemoryTar tar(entry("d/", "", '5') + kEnd);
        RecordingTarget target;
        EXPECT_FALSE(untarStream(tar, target));
        EXPECT_TRUE(target.hasLine("ERROR: no magic number"));
    }
    {
        MemoryTar tar(std::string(2048, 'z'));
        RecordingTarget target;
        EXPECT_FALSE(untarStream(tar, target));
        EXPECT_TRUE(target.hasLine("ERROR: no magic number"));
    }
    {
        MemoryTar tar("");
        RecordingTarget target;
        EXPECT_FALSE(untarStream(tar, target));
    }
}

TEST(TarReader, OldAndPosixMagicBothPass) {
    std::string oldStyle = header("a", 1, '0', "ustar ") + "A";
    oldStyle.append(511, '\0');
    MemoryTar tar(oldStyle + kEnd);
    RecordingTarget target;
    EXPECT_TRUE(untarStream(tar, target));
    EXPECT_EQ(target.files["a"], "A");
}

TEST(TarReader, DataEndingInsideAFileIsReported) {
    const std::string whole = entry("a", std::string(5000, 'q'));
    MemoryTar tar(whole.substr(0, 512 + 1000));
    RecordingTarget target;
    EXPECT_FALSE(untarStream(tar, target));
    EXPECT_TRUE(target.hasLine("ERROR: sizes don't match: 1000, 5000"));
    EXPECT_TRUE(target.hasLine("ERROR: extract file failed"));
}

TEST(TarReader, ReadAndWriteErrorsStopTheRun) {
    {
        MemoryTar tar(entry("a", "A") + kEnd);
        tar.failReadsFrom_ = 0;
        RecordingTarget target;
        EXPECT_FALSE(untarStream(tar, target));
        EXPECT_TRUE(target.hasLine("ERROR: gzread failed"));
    }
    {
        MemoryTar tar(entry("a", "A") + kEnd);
        RecordingTarget target;
        target.failWrites = true;
        EXPECT_FALSE(untarStream(tar, target));
        EXPECT_TRUE(target.hasLine("ERROR: stream error"));
    }
    {
        MemoryTar tar(entry("dir/a", "A") + kEnd);
        RecordingTarget target;
        target.refuseFiles = true;
        EXPECT_FALSE(untarStream(tar, target));
        EXPECT_EQ(target.creationFailure, "Could not open file dir\\a\n");
    }
}

TEST(TarReader, EntriesThatCouldLeaveTheTargetAreRefused) {
    for (const char* name :
         {"/etc/passwd", "../x", "a/../../x", "jre/..", "c:/windows/x", "\\\\server\\x"}) {
        MemoryTar tar(entry("ok", "1") + entry(name, "evil") + kEnd);
        RecordingTarget target;
        EXPECT_FALSE(untarStream(tar, target)) << name;
        EXPECT_EQ(target.files.size(), 1u) << name;
    }
    std::string name;
    EXPECT_TRUE(tarEntryName("a..b/..c", 100, name));
    EXPECT_EQ(name, "a..b\\..c");
}

TEST(TarReader, NamesWindowsWouldReadAsSomethingElseAreRefused) {
    // Each could climb out (trailing dots or blanks vanish), name a stream
    // or drive, or open a device instead of a file below the target.
    for (const char* name : {"a/.. /x", "a/.../x", "jre/bin.", "jre/x ", "jre/CON", "lib/nul.txt",
                             "lib/COM1", "a\\..\\x", "a:b", "x\x01y", "a/b|c", "", "/"}) {
        std::string converted;
        EXPECT_FALSE(tarEntryName(name, std::strlen(name), converted)) << name;
    }
    MemoryTar tar(entry("ok", "1") + entry("jre/aux", "device") + kEnd);
    RecordingTarget target;
    EXPECT_FALSE(untarStream(tar, target));
    EXPECT_TRUE(target.hasLine("ERROR: refusing entry outside the target: jre\\aux"));
}

TEST(TarReader, DotPrefixesOfTarDashCArchivesPass) {
    MemoryTar tar(entry("./", "", '5') + entry("./bin/", "", '5') + entry("./bin/java.exe", "MZ") +
                  kEnd);
    RecordingTarget target;
    ASSERT_TRUE(untarStream(tar, target));
    EXPECT_EQ(target.directories, (std::vector<std::string>{".\\", ".\\bin\\"}));
    EXPECT_EQ(target.files[".\\bin\\java.exe"], "MZ");
}

TEST(TarReader, NameFieldIsCutAtItsHundredBytes) {
    const std::string full(100, 'n');
    std::string name;
    ASSERT_TRUE(tarEntryName((full + "tail").c_str(), 100, name));
    EXPECT_EQ(name, full);
}

TEST(TarReader, ProgressComesAsEachFileStartsAndAtMostEvery200Ms) {
    // The target's clock advances 150 ms per query: within a file of 10
    // blocks the update is due every second block.
    MemoryTar tar(entry("a", std::string(10 * kTarCopyBlock, 'a')) + entry("b", "b") + kEnd);
    RecordingTarget target;
    ASSERT_TRUE(untarStream(tar, target));
    ASSERT_EQ(target.progressOffsets.size(), 1u + 5u + 1u);
    EXPECT_EQ(target.progressOffsets.front(), 512);
    EXPECT_EQ(target.progressOffsets[1], 512 + 2 * static_cast<long>(kTarCopyBlock));
    EXPECT_EQ(target.progressOffsets.back(), 1024 + 10 * static_cast<long>(kTarCopyBlock));
}

TEST(TarReader, OctalSizesParseInEveryWrittenForm) {
    EXPECT_EQ(parseOctal("00000000017\0", 12), 15);
    EXPECT_EQ(parseOctal("   17 \0\0\0\0\0\0", 12), 15);
    EXPECT_EQ(parseOctal("17\0 99", 6), 15);
    EXPECT_EQ(parseOctal("000000000000", 12), 0);
    EXPECT_EQ(parseOctal("17777777777 ", 12), INT32_MAX);
    EXPECT_EQ(parseOctal("20000000000 ", 12), -1) << "beyond a 32-bit signed size";
    EXPECT_EQ(parseOctal("77777777777\0", 12), -1);
    EXPECT_EQ(parseOctal("12x", 3), -1);
}

TEST(TarReader, SkipsPastTheEndOfTheStreamFail) {
    {
        // A link whose data the stream does not hold.
        MemoryTar tar(entry("a", "A") + header("link", 5000, '2') + std::string(100, '\0'));
        RecordingTarget target;
        EXPECT_FALSE(untarStream(tar, target));
        EXPECT_TRUE(target.hasLine("ERROR: gzseek 2 failed"));
    }
    {
        // A file whose padding is cut off.
        MemoryTar tar(header("a", 3, '0') + "abc");
        RecordingTarget target;
        EXPECT_FALSE(untarStream(tar, target));
        EXPECT_TRUE(target.hasLine("ERROR: gzseek 3 failed"));
    }
    {
        MemoryTar tar(header("a", 3, '0').substr(0, 500));
        RecordingTarget target;
        EXPECT_FALSE(untarStream(tar, target));
        EXPECT_TRUE(target.hasLine("ERROR: gzseek 1 failed"));
    }
}

TEST(TarReader, OversizedEntryIsRefusedNotWrapped) {
    std::string block = header("big", 0, '0');
    std::memcpy(&block[124], "77777777777", 11);
    MemoryTar tar(entry("a", "A") + block + kEnd);
    RecordingTarget target;
    EXPECT_FALSE(untarStream(tar, target));
}

} // namespace
} // namespace lumen
