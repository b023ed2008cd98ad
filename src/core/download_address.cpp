#include "core/download_address.h"

#include <cstddef>

namespace lumen {
namespace {

bool startsWithFolded(const std::string& text, const char* prefix) {
    size_t i = 0;
    for (; prefix[i] != '\0'; ++i) {
        if (i >= text.size()) return false;
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

bool isHttpsAddress(const std::string& address) {
    return startsWithFolded(address, "https://");
}

AddressVerdict checkDownloadAddress(const std::string& address, bool hasDigest) {
    if (isHttpsAddress(address)) return AddressVerdict::Usable;
    if (!startsWithFolded(address, "http://")) return AddressVerdict::UnsupportedScheme;
    return hasDigest ? AddressVerdict::Usable : AddressVerdict::PlainHttpWithoutDigest;
}

std::optional<Sha256Digest> parseSha256(const std::string& text) {
    Sha256Digest digest{};
    if (text.size() != digest.size() * 2) return std::nullopt;
    for (size_t i = 0; i < digest.size(); ++i) {
        const int high = hexDigit(text[2 * i]);
        const int low = hexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        digest[i] = static_cast<uint8_t>(high << 4 | low);
    }
    return digest;
}

std::string sha256Text(const Sha256Digest& digest) {
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(digest.size() * 2);
    for (const uint8_t byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 0xF];
    }
    return text;
}

} // namespace lumen
