// SHA-256 and random bytes through the system's bcrypt.dll.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "os/crypto.h"
#include "win_test_support.h"

namespace lumen::wintest {
namespace {

std::string digestOf(const std::string& data, size_t piece) {
    os::Sha256 sha;
    if (!sha.start()) return "no start";
    for (size_t at = 0; at < data.size(); at += piece)
        if (!sha.add(data.data() + at, data.size() - at < piece ? data.size() - at : piece))
            return "no add";
    Sha256Digest digest{};
    return sha.finish(digest) ? sha256Text(digest) : "no finish";
}

TEST(Crypto, Sha256MatchesKnownDigestsWhateverThePieces) {
    EXPECT_EQ(digestOf("", 1), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    const std::string two =
        "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"; // two blocks once padded
    for (size_t piece : {1u, 7u, 64u, 1000u})
        EXPECT_EQ(digestOf(two, piece),
                  "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1")
            << piece;
    // Without start() nothing is hashed.
    os::Sha256 idle;
    Sha256Digest digest{};
    EXPECT_FALSE(idle.add("x", 1));
    EXPECT_FALSE(idle.finish(digest));
}

TEST(Crypto, RandomBytesComeFromTheSystemsBcrypt) {
    unsigned char first[32] = {}, second[32] = {};
    ASSERT_TRUE(os::randomBytes(first, sizeof first));
    ASSERT_TRUE(os::randomBytes(second, sizeof second));
    EXPECT_NE(std::string(first, first + 32), std::string(second, second + 32));
    char system[MAX_PATH], loaded[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    ASSERT_NE(GetModuleHandleA("bcrypt.dll"), nullptr);
    GetModuleFileNameA(GetModuleHandleA("bcrypt.dll"), loaded, sizeof loaded);
    EXPECT_EQ(lstrcmpiA(loaded, (std::string(system) + "\\bcrypt.dll").c_str()), 0) << loaded;
}

} // namespace
} // namespace lumen::wintest
