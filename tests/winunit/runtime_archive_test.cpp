// Unpacking a runtime archive with the launcher's own modules: zlib's gz
// interface under the tar reader, the integrity checks at the end of the
// stream, the positions sent to the progress view, the pack200 ticker and
// the loading of the unpacked runtime. Archives are written here (ustar
// headers, gzip through zlib) so each case can be damaged exactly; the real
// launcher's handling of archives made by tar and gzip is tested in
// tests/win/test_runtime_archive.py.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "launcher/runtime_archive.h"
#include "launcher_test_support.h"

namespace lumen::wintest {
namespace {

std::string tarHeader(const std::string& name, size_t size, char type) {
    std::string block(512, '\0');
    block.replace(0, name.size(), name);
    char field[16];
    std::snprintf(field, sizeof field, "%011o", static_cast<unsigned>(size));
    block.replace(124, 11, field, 11);
    block[156] = type;
    std::memcpy(&block[257], "ustar\0", 6);
    return block;
}

struct TarBuilder {
    std::string bytes;
    TarBuilder& directory(const std::string& name) {
        bytes += tarHeader(name, 0, '5');
        return *this;
    }
    TarBuilder& file(const std::string& name, const std::string& data) {
        bytes += tarHeader(name, data.size(), '0') + data;
        bytes.append((512 - data.size() % 512) % 512, '\0');
        return *this;
    }
    std::string finished() const { return bytes + std::string(1024, '\0'); }
};

std::string gzipped(const std::string& data) {
    TempDir dir("gz");
    const std::string path = dir / "x.gz";
    gzFile out = gzopen(path.c_str(), "wb");
    if (out == nullptr) return "";
    gzwrite(out, data.data(), static_cast<unsigned>(data.size()));
    gzclose(out);
    return readFile(path);
}

class RecordingView : public ProgressView {
  public:
    void setPosition(int position) override {
        std::lock_guard<std::mutex> lock(mutex_);
        positions_.push_back(position);
    }
    void setStatusText(const std::u16string&) override {}
    void showStatus(bool) override {}
    void setMessage(const std::u16string&) override {}
    void setCancelCaption(const std::u16string&) override {}
    bool cancelRequested() override { return false; }
    std::vector<int> positions() {
        std::lock_guard<std::mutex> lock(mutex_);
        return positions_;
    }

  private:
    std::mutex mutex_;
    std::vector<int> positions_;
};

// Each test works in a directory of its own, made current like the
// launcher's extraction directory (the paths handed in are full ones).
class RuntimeArchive : public LauncherTest {
  protected:
    void SetUp() override {
        LauncherTest::SetUp();
        char current[MAX_PATH];
        GetCurrentDirectoryA(sizeof current, current);
        saved_ = current;
        SetCurrentDirectoryA(dir_.path().c_str());
    }
    void TearDown() override { SetCurrentDirectoryA(saved_.c_str()); }

    bool untar(const std::string& archiveBytes, int64_t expected = 0,
               ProgressView* view = nullptr) {
        writeFile(dir_ / "jre.tar.gz", archiveBytes);
        CreateDirectoryA("jre", nullptr);
        return valueOf(untarArchive(launcher_, dir_ / "jre.tar.gz", dir_ / "jre", view, expected));
    }
    std::string current() const {
        char path[MAX_PATH];
        GetCurrentDirectoryA(sizeof path, path);
        return path;
    }

    TempDir dir_{"archive"};
    std::string saved_;
};

TEST_F(RuntimeArchive, GzipArchiveIsUnpackedBelowTheTarget) {
    const std::string tar = TarBuilder()
                                .directory("bin/")
                                .file("bin/java.exe", "MZ")
                                .file("lib/../bin/x", "no")
                                .finished();
    // The refused name comes after a good file: the archive counts as
    // corrupted even though something was written.
    LogWatch log(launcher_);
    EXPECT_FALSE(untar(gzipped(tar)));
    EXPECT_TRUE(log.has("ERROR: untaring JRE was unsuccessful"));

    const std::string good = TarBuilder()
                                 .directory("bin/")
                                 .directory("lib/")
                                 .file("bin/java.exe", "MZ")
                                 .file("lib/big.jar", std::string(100000, 'j'))
                                 .finished();
    LogWatch second(launcher_);
    ASSERT_TRUE(untar(gzipped(good)));
    EXPECT_EQ(readFile(dir_ / "jre\\bin\\java.exe"), "MZ");
    EXPECT_EQ(readFile(dir_ / "jre\\lib\\big.jar"), std::string(100000, 'j'));
    EXPECT_TRUE(second.has("extracting lib\\big.jar (size 100000)"));
    EXPECT_TRUE(second.has("untaring JRE was successful"));
    EXPECT_EQ(current(), dir_.path()) << "the current directory is left alone";
}

TEST_F(RuntimeArchive, PlainTarIsReadAsItStands) {
    ASSERT_TRUE(untar(TarBuilder().file("a.txt", "plain").finished()));
    EXPECT_EQ(readFile(dir_ / "jre\\a.txt"), "plain");
}

TEST_F(RuntimeArchive, DamagedGzipStreamsAreCorrupted) {
    const std::string gz = gzipped(TarBuilder().file("a.txt", std::string(5000, 'a')).finished());
    ASSERT_GT(gz.size(), 40u);
    struct Case {
        const char* what;
        std::string bytes;
    };
    std::string badCrc = gz;
    badCrc[gz.size() - 8] ^= 0x55; // the CRC-32 of the trailer
    std::string badLength = gz;
    badLength[gz.size() - 4] ^= 0x01; // ISIZE
    const Case cases[] = {
        {"cut inside the data", gz.substr(0, gz.size() / 2)},
        {"cut before the trailer", gz.substr(0, gz.size() - 8)},
        {"CRC mismatch", badCrc},
        {"length mismatch", badLength},
    };
    for (const Case& c : cases) {
        LogWatch log(launcher_);
        EXPECT_FALSE(untar(c.bytes)) << c.what;
        EXPECT_TRUE(log.has("ERROR: untaring JRE was unsuccessful")) << c.what;
    }
}

TEST_F(RuntimeArchive, MissingArchiveIsTheOpenError) {
    LogWatch log(launcher_);
    EXPECT_FALSE(
        valueOf(untarArchive(launcher_, dir_ / "nothing.tar.gz", dir_ / "jre", nullptr, 0)));
    EXPECT_TRUE(log.has("ERROR: Could not open gz-file"));
    EXPECT_FALSE(log.has("ERROR: untaring JRE was unsuccessful"));
}

TEST_F(RuntimeArchive, TraversalNamesNeverReachOutside) {
    for (const char* name :
         {"../escaped.txt", "a/../../escaped.txt", "/escaped.txt", "c:/escaped.txt", "con"}) {
        LogWatch log(launcher_);
        EXPECT_FALSE(untar(gzipped(TarBuilder().file(name, "evil").finished()))) << name;
        EXPECT_FALSE(fileExists(dir_ / "escaped.txt")) << name;
        EXPECT_FALSE(fileExists(parentOf(dir_.path()) + "\\escaped.txt")) << name;
        EXPECT_EQ(log.count("refusing entry outside the target"), 1u) << name;
    }
}

TEST_F(RuntimeArchive, PositionsCoverOneToHundredOfTheExpectedSize) {
    const std::string tar = TarBuilder()
                                .file("a", std::string(4096, 'a'))
                                .file("b", std::string(4096, 'b'))
                                .file("c", std::string(4096, 'c'))
                                .finished();
    RecordingView view;
    ASSERT_TRUE(untar(gzipped(tar), static_cast<int64_t>(tar.size()), &view));
    // One position as each file starts: offsets 512, 5120, 9728.
    const int total = static_cast<int>(tar.size());
    EXPECT_EQ(view.positions(),
              (std::vector<int>{512 * 100 / total, 5120 * 100 / total, 9728 * 100 / total}));

    RecordingView unknown;
    ASSERT_TRUE(untar(gzipped(tar), 0, &unknown));
    EXPECT_EQ(unknown.positions(), (std::vector<int>{1, 1, 1})) << "no expected size";
}

// The runtime of a packed archive: java.exe, its VM library and
// unpack200.exe as the stand-ins, two packed jars.
std::string packedRuntimeTar() {
    return TarBuilder()
        .directory("bin/")
        .directory(std::string("bin/") + kVmSubdirectory + "/")
        .directory("lib/")
        .file("bin/java.exe", readFile(fixturePath("java.exe")))
        .file(std::string("bin/") + kVmSubdirectory + "/jvm.dll", readFile(fixturePath("jvm.dll")))
        .file("bin/unpack200.exe", readFile(fixturePath("unpack200.exe")))
        .file("lib/rt.jar.pack", "rt")
        .file("lib/jsse.jar.pack", "jsse")
        .finished();
}

TEST_F(RuntimeArchive, PackedRuntimeIsRestoredWhileTheTickerRuns) {
    setProperty(153, "1");
    writeFile(dir_ / "jre.tar.gz", gzipped(packedRuntimeTar()));
    RecordingView view;
    LogWatch log(launcher_);
    ASSERT_TRUE(extractRuntimeArchive(launcher_, &view, dir_ / "jre.tar.gz", dir_ / "jre").ok());
    EXPECT_FALSE(fileExists(dir_ / "jre.tar.gz")) << "the archive is deleted";
    EXPECT_EQ(readFile(dir_ / "jre\\lib\\rt.jar"), "rt");
    EXPECT_EQ(readFile(dir_ / "jre\\lib\\jsse.jar"), "jsse");
    EXPECT_FALSE(fileExists(dir_ / "jre\\lib\\rt.jar.pack"));
    EXPECT_TRUE(log.has("JRE is packed"));
    EXPECT_FALSE(log.has("ERROR: Could not create JRE dir"));
    EXPECT_TRUE(log.has("JRE dir: " + dir_.path() + "\\jre"));
    EXPECT_FALSE(log.has("ERROR: Could not load bundled JRE. Trying to find another JRE."));

    // Untar positions first, then the ticker's steps of 10 from 110 to at
    // most 200.
    const std::vector<int> positions = view.positions();
    size_t i = 0;
    while (i < positions.size() && positions[i] <= 100)
        ++i;
    ASSERT_GT(i, 0u);
    int expected = 110;
    for (; i < positions.size(); ++i, expected += 10)
        EXPECT_EQ(positions[i], expected);
    EXPECT_LE(expected, 210);
}

TEST_F(RuntimeArchive, WithoutAViewNoProgressAndNoTicker) {
    setProperty(153, "1");
    writeFile(dir_ / "jre.tar.gz", gzipped(packedRuntimeTar()));
    LogWatch log(launcher_);
    ASSERT_TRUE(extractRuntimeArchive(launcher_, nullptr, dir_ / "jre.tar.gz", dir_ / "jre").ok());
    EXPECT_EQ(readFile(dir_ / "jre\\lib\\rt.jar"), "rt");
}

TEST_F(RuntimeArchive, UnpackedRuntimeWithoutVmFallsBackToTheSearch) {
    FakeRuntimeOptions options;
    TempDir other("other");
    const FakeRuntime installed = makeFakeRuntime(other.path(), options);
    ASSERT_TRUE(installed.complete);
    setProperty(128, "EOTHER_HOME;");
    SetEnvironmentVariableA("OTHER_HOME", other.path().c_str());
    writeFile(dir_ / "jre.tar.gz",
              gzipped(TarBuilder()
                          .directory("bin/")
                          .file("bin/java.exe", readFile(fixturePath("java.exe")))
                          .finished()));
    LogWatch log(launcher_);
    EXPECT_TRUE(extractRuntimeArchive(launcher_, nullptr, dir_ / "jre.tar.gz", dir_ / "jre").ok());
    SetEnvironmentVariableA("OTHER_HOME", nullptr);
    EXPECT_TRUE(log.has("ERROR: Could not load bundled JRE. Trying to find another JRE."));
    EXPECT_EQ(readLines(installed.loadedLog).size(), 1u) << "the VM found by the search";
}

TEST_F(RuntimeArchive, RuntimeDirectoryThatExistsAlreadyIsNeverUsed) {
    // Whatever was placed there (a library beside jvm.dll) must not be
    // loaded with the runtime: the archive counts as corrupted.
    writeFile(dir_ / "jre.tar.gz", gzipped(packedRuntimeTar()));
    CreateDirectoryA("jre", nullptr);
    writeFile(dir_ / "jre\\planted.dll", "planted");
    LogWatch log(launcher_);
    const Outcome extracted =
        extractRuntimeArchive(launcher_, nullptr, dir_ / "jre.tar.gz", dir_ / "jre");
    ASSERT_FALSE(extracted.ok());
    EXPECT_EQ(extracted.failure().text.rfind("The bundled JRE is corrupted.", 0), 0u);
    EXPECT_TRUE(log.has("ERROR: Could not create JRE dir"));
    EXPECT_TRUE(log.has("ERROR: " + dir_.path() +
                        "\\jre exists already; a runtime is only unpacked into a new directory"));
    EXPECT_FALSE(fileExists(dir_ / "jre\\lib")) << "nothing was unpacked";
}

} // namespace
} // namespace lumen::wintest
