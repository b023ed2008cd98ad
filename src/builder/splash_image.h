// The splash screen's picture: a 24-bit BMP or a PNG turned into the
// device-independent bitmap that bitmap resource 10000 holds.
//
// Contract: decodeSplashImage() takes the bytes of a .bmp (24 bits per
// pixel, uncompressed, bottom-up or top-down) or a .png (any colour type
// and depth, decoded with stb_image; transparent parts are laid over the
// light grey the splash window paints under its picture) and returns a
// BITMAPINFOHEADER with 24-bit bottom-up rows. Pictures larger than
// kMaxSplashWidth x kMaxSplashHeight are refused, as are truncated or
// undecodable files, each with a message. encodeSplashPng() writes a
// decoded picture as an RGB PNG, the same bytes on every build host: the
// Linux launcher hands that file to the runtime's own splash screen, which
// reads no BMP.
#pragma once

#include <cstdint>
#include <string>

namespace lumen::builder {

// The splash window shows its picture unscaled, centred on the screen.
// 1024 x 768 is the smallest screen that Windows 8 and later run their
// own applications on, so a picture within it is never cut.
constexpr uint32_t kMaxSplashWidth = 1024;
constexpr uint32_t kMaxSplashHeight = 768;

struct SplashBitmap {
    uint32_t width = 0;
    uint32_t height = 0;
    std::string dib; // BITMAPINFOHEADER and pixel rows, as RT_BITMAP stores it
};

[[nodiscard]] bool decodeSplashImage(const std::string& bytes, SplashBitmap& out,
                                     std::string& error);
std::string encodeSplashPng(const SplashBitmap& bitmap);

} // namespace lumen::builder
