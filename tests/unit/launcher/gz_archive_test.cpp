// The zlib wrapper under the tar reader, natively: zlib's own checks must
// surface as failures, a plain file must read unchanged.
#include "launcher/gz_archive.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace lumen {
namespace {

// Named after the running test: ctest may run the cases side by side.
std::string scratch(const std::string& name) {
    return ::testing::TempDir() + "lumen_gz_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" + name;
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string gzipped(const std::string& data, const char* mode = "wb") {
    const std::string path = scratch("make.gz");
    gzFile out = gzopen(path.c_str(), mode);
    gzwrite(out, data.data(), static_cast<unsigned>(data.size()));
    gzclose(out);
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    std::remove(path.c_str());
    return bytes.str();
}

std::string pseudoRandom(size_t size) {
    std::string data(size, '\0');
    unsigned state = 12345;
    for (char& c : data) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 16);
    }
    return data;
}

// Reads everything through read(), then finish(); the bytes read.
bool readWhole(const std::string& bytes, std::string& data, std::string& problem) {
    const std::string path = scratch("read.gz");
    writeBytes(path, bytes);
    GzArchive archive;
    if (!archive.open(path)) return false;
    char buffer[4096];
    long got;
    while ((got = archive.read(buffer, sizeof buffer)) > 0)
        data.append(buffer, got);
    const bool ok = got == 0 && archive.finish(problem);
    std::remove(path.c_str());
    return ok;
}

TEST(GzArchive, IntactStreamAndPlainFileBothRead) {
    const std::string data = pseudoRandom(200000);
    std::string read, problem;
    ASSERT_TRUE(readWhole(gzipped(data), read, problem)) << problem;
    EXPECT_EQ(read, data);
    read.clear();
    ASSERT_TRUE(readWhole(data, read, problem)) << "not gzip: read as it stands";
    EXPECT_EQ(read, data);
    // Members written one after another read as one stream; padding after
    // the last member (as some tools leave) is not part of it.
    const std::string tail = pseudoRandom(3000).substr(1000);
    read.clear();
    ASSERT_TRUE(readWhole(gzipped(data) + gzipped(tail) + std::string(512, '\0'), read, problem))
        << problem;
    EXPECT_EQ(read, data + tail);
    // A member that ends one byte before the reader's 128 KiB input block
    // does: the next member's magic straddles two reads.
    std::string first;
    for (size_t size = 130900; size < 131071 && first.size() != 131071; ++size)
        first = gzipped(data.substr(0, size), "wb0");
    ASSERT_EQ(first.size(), 131071u);
    read.clear();
    ASSERT_TRUE(readWhole(first + gzipped(tail), read, problem)) << problem;
    EXPECT_EQ(read.substr(read.size() - tail.size()), tail);
    read.clear();
    ASSERT_TRUE(readWhole("", read, problem)) << problem;
    EXPECT_EQ(read, "");
}

TEST(GzArchive, DamageIsReportedNotHidden) {
    const std::string gz = gzipped(pseudoRandom(200000));
    std::string badCrc = gz;
    badCrc[gz.size() - 8] ^= 0x40;
    std::string badLength = gz;
    badLength[gz.size() - 2] ^= 0x01;
    for (const std::string& damaged :
         {gz.substr(0, gz.size() / 2), gz.substr(0, gz.size() - 4), badCrc, badLength}) {
        std::string read, problem;
        EXPECT_FALSE(readWhole(damaged, read, problem)) << damaged.size();
    }
}

TEST(GzArchive, FinishChecksWhatTheReaderLeftUnread) {
    // The tar reader stops at the end blocks; the trailer comes after them.
    // Compressible and large: the first reads stay far from the trailer.
    std::string data;
    while (data.size() < 4000000)
        data += "lib/modules and more text that compresses well ";
    std::string gz = gzipped(data);
    gz[gz.size() - 7] ^= 0x01; // CRC
    const std::string path = scratch("partial.gz");
    writeBytes(path, gz);
    GzArchive archive;
    ASSERT_TRUE(archive.open(path));
    char buffer[1000];
    ASSERT_EQ(archive.read(buffer, sizeof buffer), 1000);
    ASSERT_TRUE(archive.skip(5000));
    EXPECT_EQ(archive.tell(), 6000);
    std::string problem;
    EXPECT_FALSE(archive.finish(problem));
    EXPECT_FALSE(problem.empty());
    std::remove(path.c_str());
}

TEST(GzArchive, MissingFileDoesNotOpen) {
    GzArchive archive;
    EXPECT_FALSE(archive.open(scratch("does-not-exist.gz")));
    std::string problem;
    EXPECT_FALSE(archive.finish(problem));
}

} // namespace
} // namespace lumen
