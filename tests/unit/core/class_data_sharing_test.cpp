#include "core/class_data_sharing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace lumen {
namespace {

TEST(ClassDataSharing, ModeAndSupportFromTheirTexts) {
    EXPECT_EQ(parseSharingMode("auto"), SharingMode::Auto);
    for (const char* off : {"", "off", "AUTO", "on", "true", "1"})
        EXPECT_EQ(parseSharingMode(off), SharingMode::Off) << off;

    const struct {
        const char* version;
        SharingSupport support;
    } cases[] = {
        {"1.8.0_301", SharingSupport::None},
        {"11.0.2", SharingSupport::None},
        {"12", SharingSupport::None},
        {"13", SharingSupport::ArchiveAtExit},
        {"17.0.9", SharingSupport::ArchiveAtExit},
        {"18.0.2.1", SharingSupport::ArchiveAtExit},
        {"19", SharingSupport::AutoCreate},
        {"22-ea", SharingSupport::AutoCreate},
        {"25.0.3", SharingSupport::AutoCreate},
        {"", SharingSupport::None},
        {"unknown", SharingSupport::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sharingSupportFor(c.version), c.support) << c.version;
}

TEST(ClassDataSharing, OptionsThatSteerSharingThemselvesWin) {
    const struct {
        std::vector<std::string> options;
        bool steer;
    } cases[] = {
        {{}, false},
        {{"-Xmx512m", "-Djava.class.path=a.jar", "-Xshare"}, false},
        {{"-Xshare:off"}, true},
        {{"-Xmx1g", "-Xshare:dump"}, true},
        {{"-XX:SharedArchiveFile=/x.jsa"}, true},
        {{"-XX:ArchiveClassesAtExit=/x.jsa"}, true},
        {{"-XX:+AutoCreateSharedArchive"}, true},
        {{"-XX:-UseSharedSpaces"}, true},
        {{"-DXX:SharedArchiveFile=no"}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(optionsSteerSharing(c.options), c.steer)
            << (c.options.empty() ? "" : c.options.back());
    EXPECT_EQ(keyedOptions({"-Dlumen.tempDir=/tmp/a", "-Xmx1g", "-Djava.class.path=x",
                            "--add-opens=a", "-XX:+UseZGC"}),
              (std::vector<std::string>{"-Xmx1g", "--add-opens=a", "-XX:+UseZGC"}));
}

TEST(ClassDataSharing, StepsFollowSupportArchiveAndCache) {
    const struct {
        SharingSupport support;
        bool exists, writable, active;
        SharingStep step;
    } cases[] = {
        {SharingSupport::None, true, true, false, SharingStep::Use},
        {SharingSupport::ArchiveAtExit, false, true, true, SharingStep::Write},
        {SharingSupport::ArchiveAtExit, true, true, true, SharingStep::Use},
        {SharingSupport::ArchiveAtExit, true, false, true, SharingStep::Use},
        {SharingSupport::ArchiveAtExit, false, false, false, SharingStep::Use},
        {SharingSupport::AutoCreate, false, true, true, SharingStep::Auto},
        {SharingSupport::AutoCreate, true, true, true, SharingStep::Auto},
        {SharingSupport::AutoCreate, true, false, true, SharingStep::Use},
        {SharingSupport::AutoCreate, false, false, false, SharingStep::Use},
    };
    for (const auto& c : cases) {
        const SharingDecision decision = decideSharing(c.support, c.exists, c.writable);
        EXPECT_EQ(decision.active, c.active);
        if (c.active) {
            EXPECT_EQ(decision.step, c.step);
        }
    }
    // Never -Xshare:on: an archive the JVM cannot map must not stop the start.
    for (SharingStep step : {SharingStep::Write, SharingStep::Use, SharingStep::Auto})
        for (const std::string& option : sharingOptions(step, "/c/k.jsa", "/c/k.1.tmp"))
            EXPECT_NE(option.rfind("-Xshare", 0), 0u) << option;
    EXPECT_EQ(sharingOptions(SharingStep::Write, "/c/k.jsa", "/c/k.1.tmp")[0],
              "-XX:ArchiveClassesAtExit=/c/k.1.tmp");
    EXPECT_EQ(sharingOptions(SharingStep::Use, "/c/k.jsa", "/c/k.1.tmp")[0],
              "-XX:SharedArchiveFile=/c/k.jsa");
    const auto automatic = sharingOptions(SharingStep::Auto, "/c/k.jsa", "");
    EXPECT_NE(std::find(automatic.begin(), automatic.end(), "-XX:+AutoCreateSharedArchive"),
              automatic.end());
}

TEST(ClassDataSharing, HashSeesEveryByteAndFieldBoundaries) {
    const auto hashOf = [](const std::vector<std::string>& fields) {
        ContentHash hash;
        for (const std::string& field : fields)
            hash.addField(field);
        return hash.value();
    };
    EXPECT_NE(hashOf({"ab", "c"}), hashOf({"a", "bc"}));
    EXPECT_EQ(hashOf({"runtime", "17.0.9"}), hashOf({"runtime", "17.0.9"}));

    // Fed in pieces of any size, the same bytes give the same value; one
    // changed byte anywhere (within a stripe, in the tail) changes it.
    std::string data(1000, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 31 + 7);
    ContentHash whole;
    whole.addBytes(data.data(), data.size());
    for (size_t piece : {1u, 3u, 31u, 32u, 33u, 500u}) {
        ContentHash pieces;
        for (size_t at = 0; at < data.size(); at += piece)
            pieces.addBytes(data.data() + at, std::min(piece, data.size() - at));
        EXPECT_EQ(pieces.value(), whole.value()) << piece;
    }
    std::set<uint64_t> seen{whole.value()};
    for (size_t at : {0u, 17u, 31u, 32u, 990u, 999u}) {
        std::string changed = data;
        changed[at] ^= 1;
        ContentHash hash;
        hash.addBytes(changed.data(), changed.size());
        EXPECT_TRUE(seen.insert(hash.value()).second) << at;
    }
    ContentHash longer;
    longer.addBytes(data.data(), data.size());
    longer.addBytes("", 1);
    EXPECT_NE(longer.value(), whole.value());

    EXPECT_EQ(sharingKeyText(0x0123456789abcdefULL), "0123456789abcdef");
    EXPECT_EQ(sharingKeyText(0), "0000000000000000");
}

TEST(ClassDataSharing, ArchiveRecordsReadBackOrAreRefused) {
    uint64_t size = 0;
    uint64_t hash = 0;
    ASSERT_TRUE(parseArchiveRecord(archiveRecordText(155648, 0xfedcba9876543210ULL), size, hash));
    EXPECT_EQ(size, 155648u);
    EXPECT_EQ(hash, 0xfedcba9876543210ULL);
    for (const char* bad :
         {"", "155648", "155648 ", " 0123456789abcdef", "12x 0123456789abcdef", "1 0123456789abcde",
          "1 0123456789abcdefa", "1 0123456789ABCDEF", "99999999999999999999999 0123456789abcdef"})
        EXPECT_FALSE(parseArchiveRecord(bad, size, hash)) << bad;
}

TEST(ClassDataSharing, CacheNamesBelongToTheirKey) {
    const struct {
        const char* name;
        const char* key;
    } cases[] = {
        {"0123456789abcdef.jsa", "0123456789abcdef"},
        {"0123456789abcdef.4711.tmp", "0123456789abcdef"},
        {"0123456789abcdef.cp", "0123456789abcdef"},
        {"0123456789abcdef.sum", "0123456789abcdef"},
        {"0123456789ABCDEF.jsa", ""},
        {"0123456789abcde.jsa", ""},
        {"0123456789abcdefa.jsa", ""},
        {"notes.txt", ""},
        {"0123456789abcdef.", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(keyOfCacheName(c.name), c.key) << c.name;
}

TEST(ClassDataSharing, CacheKeepsTheNewestWithinItsBound) {
    const CacheBound bound{3, 100};
    const struct {
        const char* what;
        std::vector<CacheEntry> entries;
        std::string keep;
        std::vector<std::string> evicted;
    } cases[] = {
        {"within bounds", {{"a", 10, 1}, {"b", 10, 2}}, "b", {}},
        {"too many: the oldest go",
         {{"a", 1, 5}, {"b", 1, 1}, {"c", 1, 3}, {"d", 1, 4}, {"e", 1, 2}},
         "a",
         {"e", "b"}},
        {"too many bytes: strictly by age",
         {{"old", 10, 1}, {"big", 60, 2}, {"new", 50, 3}},
         "new",
         {"big", "old"}},
        {"the key in use stays, however old",
         {{"keep", 10, 0}, {"x", 10, 9}, {"y", 10, 8}, {"z", 10, 7}},
         "keep",
         {"z"}},
        {"the key in use stays when alone over the bytes",
         {{"huge", 500, 5}, {"small", 1, 9}},
         "huge",
         {"small"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(keysToEvict(c.entries, bound, c.keep), c.evicted) << c.what;
}

} // namespace
} // namespace lumen
