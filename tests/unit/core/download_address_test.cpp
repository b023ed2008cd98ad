#include "core/download_address.h"

#include <gtest/gtest.h>

namespace lumen {
namespace {

TEST(DownloadAddress, PlainHttpNeedsADigestAndOtherSchemesAreRefused) {
    struct Case {
        const char* address;
        bool digest;
        AddressVerdict verdict;
    } cases[] = {
        {"https://example.org/jre.tar.gz", false, AddressVerdict::Usable},
        {"HtTpS://example.org/jre.tar.gz", false, AddressVerdict::Usable},
        {"http://example.org/jre.tar.gz", true, AddressVerdict::Usable},
        {"http://example.org/jre.tar.gz", false, AddressVerdict::PlainHttpWithoutDigest},
        {"HTTP://example.org/jre.tar.gz", false, AddressVerdict::PlainHttpWithoutDigest},
        {"ftp://example.org/jre.tar.gz", true, AddressVerdict::UnsupportedScheme},
        {"file:///c:/jre.tar.gz", true, AddressVerdict::UnsupportedScheme},
        {"example.org/jre.tar.gz", true, AddressVerdict::UnsupportedScheme},
        {"https:/example.org", false, AddressVerdict::UnsupportedScheme},
        {"", true, AddressVerdict::UnsupportedScheme},
    };
    for (const Case& c : cases)
        EXPECT_EQ(checkDownloadAddress(c.address, c.digest), c.verdict) << c.address;
}

TEST(DownloadAddress, DigestTextIsExactlySixtyFourHexDigits) {
    const std::string text = "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852b855";
    const std::optional<Sha256Digest> digest = parseSha256(text);
    ASSERT_TRUE(digest);
    EXPECT_EQ((*digest)[0], 0xE3);
    EXPECT_EQ((*digest)[31], 0x55);
    EXPECT_EQ(sha256Text(*digest),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    for (const std::string& bad : {text.substr(1), text + "0", " " + text.substr(1),
                                   text.substr(0, 63) + "g", std::string()})
        EXPECT_FALSE(parseSha256(bad)) << bad;
}

} // namespace
} // namespace lumen
