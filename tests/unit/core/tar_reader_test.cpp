#include "core/tar_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "support/tar_blocks.h"

namespace lumen {
namespace {

using test::tarEntry;
using test::tarFile;
using test::tarHeader;
using test::tarLink;

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
        if (refuseFiles || name == refusedName) return false;
        current = name;
        files[name];
        return true;
    }
    bool writeCopyOf(const std::string& name) override {
        if (!files.count(name)) return false;
        files[current] += files[name];
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
    std::string refusedName;
    unsigned long ticks = 0;
    bool refuseFiles = false;
    bool failWrites = false;
};

// A pax extended header carrying the records, each "<length> key=value\n".
std::string paxEntry(const std::vector<std::pair<std::string, std::string>>& records) {
    std::string data;
    for (const auto& [key, value] : records)
        data += test::paxRecord(key, value);
    return tarFile("PaxHeaders/x", data, 'x');
}

const std::string kEnd(1024, '\0');

TEST(TarReader, ExtractsDirectoriesAndFilesUntilTheEndBlocks) {
    const std::string big(70000, 'x');
    MemoryTar tar(tarFile("jre/", "", '5') + tarFile("jre/bin/java.exe", "MZ") +
                  tarFile("jre/lib/rt.jar", big) + tarFile("jre/empty", "") + kEnd +
                  tarFile("after/end", "ignored"));
    RecordingTarget target;
    ASSERT_TRUE(untarStream(tar, target).ok());
    EXPECT_EQ(target.directories, std::vector<std::string>{"jre\\"});
    EXPECT_EQ(target.files["jre\\bin\\java.exe"], "MZ");
    EXPECT_EQ(target.files["jre\\lib\\rt.jar"], big);
    EXPECT_TRUE(target.files.count("jre\\empty")) << "a size-0 file is created empty";
    EXPECT_FALSE(target.files.count("after\\end"));
    EXPECT_TRUE(target.hasLine("extracting jre\\lib\\rt.jar (size 70000)"));
    EXPECT_GE(target.progressOffsets.size(), 3u) << "one update as each file starts";
}

TEST(TarReader, SkipsDevicesFifosAndGlobalHeadersWithTheirData) {
    MemoryTar tar(tarFile("dev", "", '3') + tarFile("fifo", "", '6') +
                  tarFile("g", "19 path=elsewhere\n", 'g') +
                  tarFile("label", std::string(600, 'V'), 'V') + tarFile("a", "A") + kEnd);
    RecordingTarget target;
    ASSERT_TRUE(untarStream(tar, target).ok());
    EXPECT_EQ(target.files.size(), 1u);
    EXPECT_EQ(target.files["a"], "A");
}

TEST(TarReader, ArchivesWithoutFilesOrMagicAreCorrupted) {
    {
        MemoryTar tar(tarFile("d/", "", '5'));
        RecordingTarget target;
        EXPECT_FALSE(untarStream(tar, target).ok());
        EXPECT_TRUE(target.hasLine("ERROR: unexpected eof"));
    }
    {
        MemoryTar tar(tarFile("d/", "", '5') + kEnd);
        RecordingTarget target;
        EXPECT_FALSE(untarStream(tar, target).ok());
        EXPECT_TRUE(target.hasLine("ERROR: no magic number"));
    }
    {
        MemoryTar tar(std::string(2048, 'z'));
        RecordingTarget target;
        EXPECT_FALSE(untarStream(tar, target).ok());
        EXPECT_TRUE(target.hasLine("ERROR: no magic number"));
    }
    {
        MemoryTar tar("");
        RecordingTarget target;
        EXPECT_FALSE(untarStream(tar, target).ok());
    }
}

TEST(TarReader, OldAndPosixMagicBothPass) {
    std::string oldStyle = tarHeader("a", 1, '0', "", "", "ustar ") + "A";
    oldStyle.append(511, '\0');
    MemoryTar tar(oldStyle + kEnd);
    RecordingTarget target;
    EXPECT_TRUE(untarStream(tar, target).ok());
    EXPECT_EQ(target.files["a"], "A");
}

TEST(TarReader, DataEndingInsideAFileIsReported) {
    const std::string whole = tarFile("a", std::string(5000, 'q'));
    MemoryTar tar(whole.substr(0, 512 + 1000));
    RecordingTarget target;
    EXPECT_FALSE(untarStream(tar, target).ok());
    EXPECT_TRUE(target.hasLine("ERROR: sizes don't match: 1000, 5000"));
    EXPECT_TRUE(target.hasLine("ERROR: extract file failed"));
}

TEST(TarReader, ReadAndWriteErrorsStopTheRun) {
    {
        MemoryTar tar(tarFile("a", "A") + kEnd);
        tar.failReadsFrom_ = 0;
        RecordingTarget target;
        EXPECT_FALSE(untarStream(tar, target).ok());
        EXPECT_TRUE(target.hasLine("ERROR: gzread failed"));
    }
    {
        MemoryTar tar(tarFile("a", "A") + kEnd);
        RecordingTarget target;
        target.failWrites = true;
        EXPECT_FALSE(untarStream(tar, target).ok());
        EXPECT_TRUE(target.hasLine("ERROR: stream error"));
    }
    {
        MemoryTar tar(tarFile("dir/a", "A") + kEnd);
        RecordingTarget target;
        target.refuseFiles = true;
        const UntarResult result = untarStream(tar, target);
        EXPECT_EQ(result.status, UntarStatus::FileNotCreated);
        EXPECT_EQ(result.message, "Could not open file dir\\a\n");
    }
}

TEST(TarReader, EntriesThatCouldLeaveTheTargetAreRefused) {
    for (const char* name :
         {"/etc/passwd", "../x", "a/../../x", "jre/..", "c:/windows/x", "\\\\server\\x"}) {
        MemoryTar tar(tarFile("ok", "1") + tarFile(name, "evil") + kEnd);
        RecordingTarget target;
        EXPECT_FALSE(untarStream(tar, target).ok()) << name;
        EXPECT_EQ(target.files.size(), 1u) << name;
    }
    std::string name;
    EXPECT_TRUE(tarEntryName("a..b/..c", name));
    EXPECT_EQ(name, "a..b\\..c");
}

TEST(TarReader, NamesWindowsWouldReadAsSomethingElseAreRefused) {
    // Each could climb out (trailing dots or blanks vanish), name a stream
    // or drive, or open a device instead of a file below the target.
    for (const char* name : {"a/.. /x", "a/.../x", "jre/bin.", "jre/x ", "jre/CON", "lib/nul.txt",
                             "lib/COM1", "a\\..\\x", "a:b", "x\x01y", "a/b|c", "", "/"}) {
        std::string converted;
        EXPECT_FALSE(tarEntryName(name, converted)) << name;
    }
    MemoryTar tar(tarFile("ok", "1") + tarFile("jre/aux", "device") + kEnd);
    RecordingTarget target;
    EXPECT_FALSE(untarStream(tar, target).ok());
    EXPECT_TRUE(target.hasLine("ERROR: refusing entry outside the target: jre\\aux"));
}

TEST(TarReader, DotPrefixesOfTarDashCArchivesPass) {
    MemoryTar tar(tarFile("./", "", '5') + tarFile("./bin/", "", '5') +
                  tarFile("./bin/java.exe", "MZ") + kEnd);
    RecordingTarget target;
    ASSERT_TRUE(untarStream(tar, target).ok());
    EXPECT_EQ(target.directories, (std::vector<std::string>{".\\", ".\\bin\\"}));
    EXPECT_EQ(target.files[".\\bin\\java.exe"], "MZ");
}

TEST(TarReader, ProgressComesAsEachFileStartsAndAtMostEvery200Ms) {
    // The target's clock advances 150 ms per query: within a file of 10
    // blocks the update is due every second block.
    MemoryTar tar(tarFile("a", std::string(10 * kTarCopyBlock, 'a')) + tarFile("b", "b") + kEnd);
    RecordingTarget target;
    ASSERT_TRUE(untarStream(tar, target).ok());
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
        // A device entry whose data the stream does not hold.
        MemoryTar tar(tarFile("a", "A") + tarHeader("dev", 5000, '3') + std::string(100, '\0'));
        RecordingTarget target;
        EXPECT_FALSE(untarStream(tar, target).ok());
        EXPECT_TRUE(target.hasLine("ERROR: gzseek 2 failed"));
    }
    {
        // A file whose padding is cut off.
        MemoryTar tar(tarHeader("a", 3, '0') + "abc");
        RecordingTarget target;
        EXPECT_FALSE(untarStream(tar, target).ok());
        EXPECT_TRUE(target.hasLine("ERROR: gzseek 3 failed"));
    }
    {
        MemoryTar tar(tarHeader("a", 3, '0').substr(0, 500));
        RecordingTarget target;
        EXPECT_FALSE(untarStream(tar, target).ok());
        EXPECT_TRUE(target.hasLine("ERROR: gzseek 1 failed"));
    }
}

TEST(TarReader, OversizedEntryIsRefusedNotWrapped) {
    std::string block = tarHeader("big", 0, '0');
    std::memcpy(&block[124], "77777777777", 11);
    MemoryTar tar(tarFile("a", "A") + block + kEnd);
    RecordingTarget target;
    EXPECT_FALSE(untarStream(tar, target).ok());
}

namespace fs = std::filesystem;

// A directory tree archived by GNU tar at test time.
class GnuTarTree {
  public:
    GnuTarTree() {
        root_ = fs::path(::testing::TempDir()) /
                ("lumen_tar_" + std::to_string(::getpid()) + "_" + std::to_string(++count_));
        fs::remove_all(root_);
        fs::create_directories(root_ / "tree");
    }
    ~GnuTarTree() { fs::remove_all(root_); }
    void file(const std::string& path, const std::string& content) {
        fs::create_directories((root_ / "tree" / path).parent_path());
        std::ofstream(root_ / "tree" / path, std::ios::binary) << content;
    }
    void symlink(const std::string& target, const std::string& path) {
        fs::create_directories((root_ / "tree" / path).parent_path());
        fs::create_symlink(target, root_ / "tree" / path);
    }
    void hardLink(const std::string& target, const std::string& path) {
        fs::create_hard_link(root_ / "tree" / target, root_ / "tree" / path);
    }
    // The archive of the members (paths below the tree), in name order.
    std::string archive(const std::string& format, const std::string& members,
                        const std::string& options = "") const {
        const fs::path out = root_ / "out.tar";
        const std::string command = "tar --format=" + format + " --sort=name " + options + " -C '" +
                                    (root_ / "tree").string() + "' -cf '" + out.string() + "' " +
                                    members;
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        std::ifstream in(out, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }

  private:
    fs::path root_;
    static inline int count_ = 0;
};

std::string backslashed(std::string name) {
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

// Paths of exactly 150, 255 and 400 bytes; the two shorter ones can be
// split into a ustar prefix and name.
const std::map<size_t, std::string> kLongPaths = {
    {150, std::string(49, 'd') + "/" + std::string(100, 'f')},
    {255, std::string(76, 'd') + "/" + std::string(77, 'e') + "/" + std::string(100, 'f')},
    {400, std::string(99, 'd') + "/" + std::string(99, 'e') + "/" + std::string(99, 'g') + "/" +
              std::string(100, 'f')},
};

TEST(TarReader, LongNamesAndLinksOfGnuTarArchivesKeepTheirFullNames) {
    struct Case {
        const char* format;
        size_t length;
        bool links; // ustar cannot hold link names this long
    };
    for (const Case& c : {Case{"gnu", 150, true}, Case{"gnu", 255, true}, Case{"gnu", 400, true},
                          Case{"pax", 150, true}, Case{"pax", 255, true}, Case{"pax", 400, true},
                          Case{"ustar", 150, false}, Case{"ustar", 255, false}}) {
        const std::string& path = kLongPaths.at(c.length);
        ASSERT_EQ(path.size(), c.length);
        const std::string content = "content of " + std::to_string(c.length);
        GnuTarTree tree;
        tree.file(path, content);
        std::string members = path.substr(0, path.find('/'));
        if (c.links) {
            // "hard" and "soft" sort after the tree: a hard link to the file
            // and a symbolic link whose target is the long name itself.
            tree.hardLink(path, "hard");
            tree.symlink(path, "soft");
            members += " hard soft";
        }
        MemoryTar tar(tree.archive(c.format, members));
        RecordingTarget target;
        ASSERT_TRUE(untarStream(tar, target).ok()) << c.format << " " << c.length;
        EXPECT_EQ(target.files[backslashed(path)], content) << c.format << " " << c.length;
        EXPECT_EQ(target.files.size(), c.links ? 3u : 1u) << c.format << " " << c.length;
        if (c.links) {
            EXPECT_EQ(target.files["hard"], content) << c.format << " " << c.length;
            EXPECT_EQ(target.files["soft"], content) << c.format << " " << c.length;
        }
        EXPECT_EQ(target.directories.back(), backslashed(path.substr(0, path.rfind('/') + 1)));
    }
}

TEST(TarReader, NamesPastTheLimitAreCorruptedWithNothingWritten) {
    // 1,100 bytes in components the file system takes; only the file is
    // archived, so a reader that cut the name would write something.
    std::string path;
    for (int i = 0; i < 5; ++i)
        path += std::string(200, static_cast<char>('a' + i)) + "/";
    path += std::string(95, 'f');
    ASSERT_EQ(path.size(), 1100u);
    for (const char* format : {"gnu", "pax"}) {
        GnuTarTree tree;
        tree.file(path, "x");
        MemoryTar tar(tree.archive(format, path, "--no-recursion"));
        RecordingTarget target;
        EXPECT_EQ(untarStream(tar, target).status, UntarStatus::Corrupted) << format;
        EXPECT_TRUE(target.files.empty()) << format;
        EXPECT_TRUE(target.directories.empty()) << format;
        EXPECT_TRUE(target.hasLine(
            "ERROR: refusing over-long name (limits: 1024 bytes, 255 per component)"))
            << format;
    }
    std::string name;
    const std::string component(255, 'c');
    const std::string atLimit =
        component + "/" + component + "/" + component + "/" + std::string(254, 'd') + "/x";
    ASSERT_EQ(atLimit.size(), kTarNameLimit);
    EXPECT_TRUE(tarEntryName(atLimit, name));
    EXPECT_FALSE(tarEntryName(atLimit + "d", name));
    EXPECT_FALSE(tarEntryName("a/" + component + "c/b", name)) << "a component past 255 bytes";
}

TEST(TarReader, LinksLeavingTheTargetAreRefusedAsTheirHeaderIsRead) {
    // The archive's root is the target: from lib/, "../../x" climbs out.
    GnuTarTree tree;
    tree.file("lib/a", "A");
    tree.symlink("../../x", "lib/up");
    tree.file("lib/z", "Z");
    MemoryTar gnuMade(tree.archive("gnu", "lib"));
    RecordingTarget gnuTarget;
    EXPECT_EQ(untarStream(gnuMade, gnuTarget).status, UntarStatus::Corrupted);
    EXPECT_TRUE(gnuTarget.hasLine("ERROR: refusing link outside the target: lib\\up -> ../../x"));
    EXPECT_EQ(gnuTarget.files.size(), 1u) << "nothing after the link";

    for (const auto& [target, type] : std::vector<std::pair<std::string, char>>{
             {"/etc/passwd", '2'}, {"../x", '1'}, {"c:/x", '2'}, {"", '2'}, {"lib/../../x", '1'}}) {
        MemoryTar tar(tarFile("lib/a", "A") + tarLink("lib/l", target, type) + kEnd);
        RecordingTarget out;
        EXPECT_EQ(untarStream(tar, out).status, UntarStatus::Corrupted) << target;
        EXPECT_EQ(out.files.size(), 1u) << target;
    }
}

TEST(TarReader, LinksBecomeCopiesResolvedAtTheEnd) {
    // A symbolic link before its target, a chain through a hard link, a hard
    // link spelled with "./", and a link whose name a later file takes.
    MemoryTar tar(tarFile("jre/", "", '5') + tarLink("jre/bin/java", "../lib/java", '2') +
                  tarFile("jre/lib/java", "ELF") + tarLink("jre/hard", "./jre/lib/java", '1') +
                  tarLink("jre/chain", "hard", '2') + tarLink("jre/taken", "lib/java", '2') +
                  tarFile("jre/taken", "own") + kEnd);
    RecordingTarget target;
    ASSERT_TRUE(untarStream(tar, target).ok());
    EXPECT_EQ(target.files["jre\\bin\\java"], "ELF");
    EXPECT_EQ(target.files["jre\\hard"], "ELF");
    EXPECT_EQ(target.files["jre\\chain"], "ELF");
    EXPECT_EQ(target.files["jre\\taken"], "own");
    EXPECT_TRUE(target.hasLine("copying jre\\lib\\java to jre\\bin\\java"));
}

TEST(TarReader, UnresolvableLinksMakeTheArchiveCorruptedBeforeAnyCopy) {
    const std::string good =
        tarFile("d/", "", '5') + tarFile("d/f", "F") + tarLink("ok", "d/f", '2');
    for (const auto& [links, line] : std::vector<std::pair<std::string, std::string>>{
             {tarLink("l", "d/missing", '2'), "link target not in the archive: l -> d\\missing"},
             {tarLink("a", "b", '2') + tarLink("b", "a", '1'), "link cycle: a"},
             {tarLink("l", "d", '2'), "refusing link to a directory: l -> d\\"},
             {tarLink("self", "./self", '2'), "link cycle: self"}}) {
        MemoryTar tar(good + links + kEnd);
        RecordingTarget target;
        EXPECT_EQ(untarStream(tar, target).status, UntarStatus::Corrupted) << line;
        EXPECT_TRUE(target.hasLine("ERROR: " + line)) << line;
        EXPECT_EQ(target.files.size(), 1u) << line;
    }
    MemoryTar tar(good + kEnd);
    RecordingTarget target;
    target.refusedName = "ok";
    const UntarResult result = untarStream(tar, target);
    EXPECT_EQ(result.status, UntarStatus::FileNotCreated);
    EXPECT_EQ(result.message, "Could not open file ok\n");
}

TEST(TarReader, OldStyleEntriesOfTypeNulAreFilesOrDirectories) {
    // GNU tar's own header for a file, its type patched to NUL.
    GnuTarTree tree;
    tree.file("old/file", "v7");
    std::string made = tree.archive("gnu", "old/file");
    ASSERT_EQ(made[156], '0');
    made[156] = '\0';
    MemoryTar tar(tarFile("old/", "", '\0') + made);
    RecordingTarget target;
    ASSERT_TRUE(untarStream(tar, target).ok());
    EXPECT_EQ(target.directories, std::vector<std::string>{"old\\"});
    EXPECT_EQ(target.files["old\\file"], "v7");
}

TEST(TarReader, PaxRecordsNameAndSizeTheNextEntryOnly) {
    const std::string longKey(40, 'k');
    MemoryTar tar(paxEntry({{"mtime", "1.5"},
                            {"path", "real/name"},
                            {"size", "5"},
                            {"SCHILY.xattr." + longKey, std::string(3000, 'v')},
                            {"path", ""}}) +
                  tarEntry(tarHeader("cut", 0, '0'), "12345") + tarFile("next", "N") + kEnd);
    RecordingTarget target;
    ASSERT_TRUE(untarStream(tar, target).ok());
    EXPECT_EQ(target.files.size(), 2u);
    EXPECT_EQ(target.files["cut"], "12345") << "an empty path record falls back to the header";
    EXPECT_EQ(target.files["next"], "N");
}

TEST(TarReader, RecordsTheReaderCannotTakeMakeTheArchiveCorrupted) {
    for (const auto& [records, line] : std::vector<std::pair<std::string, std::string>>{
             {tarFile("x", "30 path=a\n", 'x'), "damaged extended header"},
             {tarFile("x", "9 path=a", 'x'), "damaged extended header"},
             {tarFile("x", "6 =ab\n", 'x'), "damaged extended header"},
             {tarFile("x", "a7 p=b\n", 'x'), "damaged extended header"},
             {tarFile("x", std::string("12 path=a\0b\n", 12), 'x'), "damaged extended header"},
             {paxEntry({{"size", "2147483648"}}), "entry size out of range"},
             {paxEntry({{"GNU.sparse.major", "1"}}), "refusing sparse file"},
             {tarFile("s", "", 'S'), "refusing sparse file"},
             {tarFile("././@LongLink", std::string(1100, 'n'), 'L'),
              "refusing over-long name (limits: 1024 bytes, 255 per component)"},
             {paxEntry({{"path", std::string(1025, 'n')}}),
              "refusing over-long name (limits: 1024 bytes, 255 per component)"},
             {paxEntry({{"path", "a/" + std::string(256, 'n')}}),
              "refusing over-long name (limits: 1024 bytes, 255 per component)"},
             {paxEntry({{"path", "../up"}}), "refusing entry outside the target: ..\\up"}}) {
        MemoryTar tar(tarFile("first", "1") + records + tarFile("after", "2") + kEnd);
        RecordingTarget target;
        EXPECT_EQ(untarStream(tar, target).status, UntarStatus::Corrupted) << line;
        EXPECT_TRUE(target.hasLine("ERROR: " + line)) << line;
        EXPECT_EQ(target.files.size(), 1u) << line;
    }
    MemoryTar dangling(tarFile("first", "1") + paxEntry({{"path", "a"}}) + kEnd);
    RecordingTarget target;
    EXPECT_FALSE(untarStream(dangling, target).ok());
    EXPECT_TRUE(target.hasLine("ERROR: extended header without an entry"));
}

TEST(TarReader, UstarPrefixJoinsOnlyInPosixHeaders) {
    std::string posix = tarHeader("name", 1, '0');
    posix.replace(345, 6, "prefix");
    std::string gnu = tarHeader("other", 1, '0', "", "", test::kGnuMagic);
    gnu.replace(345, 6, "\x01\x02time");
    MemoryTar tar(tarEntry(posix, "P") + tarEntry(gnu, "G") + kEnd);
    RecordingTarget target;
    ASSERT_TRUE(untarStream(tar, target).ok());
    EXPECT_EQ(target.files["prefix\\name"], "P");
    EXPECT_EQ(target.files["other"], "G");
}

} // namespace
} // namespace lumen
