// What makes a runtime download address usable, and the archive's digest.
//
// Contract: a download goes over "https://" or "http://" only (the scheme's
// letters in either case). A plain "http://" address is usable only with a
// SHA-256 digest of the archive, since nothing else would stop a machine on
// the network path from handing over a runtime of its own; "https://" is
// usable with or without one. Every other address is unusable. A digest is
// written as 64 hexadecimal digits (either case), nothing else around them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace lumen {

using Sha256Digest = std::array<uint8_t, 32>;

enum class AddressVerdict {
    Usable,
    PlainHttpWithoutDigest, // "http://" and no digest to check the archive by
    UnsupportedScheme,      // neither "https://" nor "http://"
};

AddressVerdict checkDownloadAddress(const std::string& address, bool hasDigest);
// True when the address names the https scheme.
bool isHttpsAddress(const std::string& address);

// The digest in a text of 64 hexadecimal digits; nothing for any other text.
std::optional<Sha256Digest> parseSha256(const std::string& text);
// The digest as 64 lower-case hexadecimal digits.
std::string sha256Text(const Sha256Digest& digest);

} // namespace lumen
