// Writes the fuzzers' seed corpus: `lumen_fuzz_seeds DIR` fills DIR/block,
// DIR/image and DIR/tar. The committed tests/fuzz/corpus was made with it
// (the tar seeds dot-prefix, empty-file, runtime, traversal and truncated
// by GNU tar); rerun it when the block layout changes.
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include "core/bytes.h"
#include "core/config_block.h"
#include "support/tar_blocks.h"

namespace {

using lumen::test::kGnuMagic;
using lumen::test::paxRecord;
using lumen::test::tarEntry;
using lumen::test::tarFile;
using lumen::test::tarHeader;
using lumen::test::tarLink;
using Narrow = std::map<int32_t, std::string>;
using Wide = std::map<int32_t, std::u16string>;

void put16(std::string& out, size_t at, uint16_t v) {
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>(v >> 8);
}

void put32(std::string& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// The smallest image the header walk accepts: DOS stub, PE header, one
// section whose raw data ends at 0x180, where the block begins.
std::string minimalImage(bool plus) {
    const size_t peAt = 0x40;
    const size_t optionalAt = peAt + 4 + 20;
    const uint16_t optionalSize = plus ? 240 : 224;
    const size_t directoriesAt = optionalAt + (plus ? 112 : 96);
    const size_t sectionAt = optionalAt + optionalSize;
    std::string image(0x180, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    put32(image, 0x3C, peAt);
    image.replace(peAt, 4, std::string("PE\0\0", 4));
    put16(image, peAt + 4, plus ? 0x8664 : 0x14C); // machine
    put16(image, peAt + 6, 1);                     // one section
    put16(image, peAt + 20, optionalSize);
    put16(image, optionalAt, plus ? 0x20B : 0x10B);
    put32(image, directoriesAt - 4, 16); // directory count
    image.replace(sectionAt, 5, ".text");
    put32(image, sectionAt + 16, 0x20);  // SizeOfRawData
    put32(image, sectionAt + 20, 0x160); // PointerToRawData
    return image;
}

std::string scrambled(std::string text) {
    lumen::scrambleBytes(reinterpret_cast<uint8_t*>(&text[0]), text.size());
    return text;
}

std::string withIncludedFile(std::string block, const std::string& content) {
    lumen::appendLe32(block, static_cast<uint32_t>(content.size()));
    return block + scrambled(content);
}

// A GNU long name ('L') or long link name ('K') record.
std::string gnuLong(char type, const std::string& text) {
    return tarEntry(tarHeader("././@LongLink", text.size() + 1, type, "", "", kGnuMagic),
                    text + '\0');
}

std::map<std::string, std::string> tarSeeds() {
    const std::string end(1024, '\0');
    const std::string deep = std::string(90, 'd') + "/" + std::string(90, 'e') + "/java";
    const std::string pax =
        paxRecord("path", deep) + paxRecord("mtime", "1700000000.5") + paxRecord("size", "4");
    return {
        {"gnu-long-names", tarFile("jre/", "", '5') + gnuLong('L', "jre/" + deep) +
                               tarFile("jre/cut", "long") + gnuLong('K', "jre/" + deep) +
                               tarLink("jre/hard", "cut", '1') + end},
        {"pax-records",
         tarFile("PaxHeaders/x", pax, 'x') + tarEntry(tarHeader("cut", 0, '0'), "data") +
             tarFile("PaxHeaders/y", paxRecord("linkpath", deep), 'x') +
             tarLink("soft", "cut", '2') + tarFile("g", paxRecord("comment", "global"), 'g') + end},
        {"ustar-prefix", tarEntry(tarHeader("name", 1, '0', "", std::string(150, 'p')), "P") + end},
        {"links", tarLink("bin/java", "../lib/java", '2') + tarFile("lib/java", "ELF") +
                      tarLink("lib/hard", "./lib/java", '1') + tarLink("chain", "lib/hard", '2') +
                      end},
        {"link-cycle", tarFile("a", "A") + tarLink("cycle-a", "cycle-b", '2') +
                           tarLink("cycle-b", "cycle-a", '1') + end},
        {"link-outside", tarFile("lib/a", "A") + tarLink("lib/up", "../../x", '2') + end},
        {"old-type", tarFile("old/", "", '\0') + tarFile("old/file", "v7", '\0') + end},
    };
}

bool write(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    using lumen::encodeConfigurationTables;

    const Narrow narrow = {{0, "app.Main"},     {1, "lib/app.jar;lib/util.jar"},
                           {107, "1"},          {125, "0"},
                           {2002, "1"},         {2003, "app.jar"},
                           {3001, "255,128,0"}, {3002, "-Xmx256m -Dfile.encoding=UTF-8"}};
    const Wide wide = {{4001, u"Caf\u00e9 \u00fcber \u4e2d"}, {4002, u""}, {4003, u"C:\\Apps"}};
    const std::string good = encodeConfigurationTables(narrow, wide);

    std::string badLength = encodeConfigurationTables({{107, "1"}}, {});
    put32(badLength, 12, 0x7FFFFFFF); // the first text's length
    std::string oddWide = encodeConfigurationTables({}, {{5, u"ab"}});
    put32(oddWide, 16, 3);
    std::string negativeCounts = encodeConfigurationTables({}, {});
    put32(negativeCounts, 4, 0xFFFFFFFF);
    put32(negativeCounts, 8, 0x80000000);
    std::string badMagic = good;
    badMagic[0] ^= 1;

    const std::map<std::string, std::string> blocks = {
        {"good", good},
        {"empty", encodeConfigurationTables({}, {})},
        {"truncated", good.substr(0, good.size() - 7)},
        {"bad-magic", badMagic},
        {"huge-length", badLength},
        {"odd-wide-length", oddWide},
        {"negative-counts", negativeCounts},
        {"with-file", withIncludedFile(good, "hello\n")},
    };

    std::string signedImage = minimalImage(false) + good;
    while (signedImage.size() % 8 != 0)
        signedImage.push_back('\0');
    std::string certificate(8, '\0');
    put32(certificate, 0, 24);
    put16(certificate, 4, 0x200);
    put16(certificate, 6, 2);
    certificate += good.substr(0, 16); // looks like a block: must not be read
    put32(signedImage, 0x58 + 96 + 32, static_cast<uint32_t>(signedImage.size()));
    put32(signedImage, 0x58 + 96 + 36, static_cast<uint32_t>(certificate.size()));
    signedImage += certificate;

    const std::map<std::string, std::string> images = {
        {"pe32", minimalImage(false) + good},
        {"pe32plus", minimalImage(true) + withIncludedFile(good, "data")},
        {"pe32-signed", signedImage},
        {"pe32-truncated-block", minimalImage(false) + good.substr(0, 40)},
        {"damaged-headers", minimalImage(false).substr(0, 0x100)},
    };

    for (const auto& seed : blocks)
        if (!write(dir + "/block/" + seed.first, seed.second)) return 1;
    for (const auto& seed : images)
        if (!write(dir + "/image/" + seed.first, seed.second)) return 1;
    for (const auto& seed : tarSeeds())
        if (!write(dir + "/tar/" + seed.first, seed.second)) return 1;
    return 0;
}
