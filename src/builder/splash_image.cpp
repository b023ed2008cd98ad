#include "builder/splash_image.h"

#include <memory>

#include "core/bytes.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#include <stb/stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>

namespace lumen::builder {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint8_t kGround = 192; // LTGRAY_BRUSH, under the picture

size_t rowStride(uint32_t width) {
    return (size_t{width} * 3 + 3) / 4 * 4;
}

bool checkSize(int64_t width, int64_t height, std::string& error) {
    if (width <= 0 || height <= 0) {
        error = "the image has no pixels";
        return false;
    }
    if (width > kMaxSplashWidth || height > kMaxSplashHeight) {
        error = "the image is " + std::to_string(width) + " x " + std::to_string(height) +
                " pixels; a splash image may be at most " + std::to_string(kMaxSplashWidth) +
                " x " + std::to_string(kMaxSplashHeight) + " (the smallest screen it must fit)";
        return false;
    }
    return true;
}

// The header and room for the rows.
void startBitmap(SplashBitmap& out, uint32_t width, uint32_t height) {
    out.width = width;
    out.height = height;
    out.dib.clear();
    for (uint32_t field : {kInfoHeaderSize, width, height})
        appendLe32(out.dib, field);
    appendLe32(out.dib, 1 | (24u << 16)); // planes, bits per pixel
    const uint32_t imageSize = static_cast<uint32_t>(rowStride(width) * height);
    for (uint32_t field : {0u, imageSize, 0u, 0u, 0u, 0u})
        appendLe32(out.dib, field);
    out.dib.resize(kInfoHeaderSize + imageSize, '\0');
}

// Row y counted from the top of the picture.
char* rowFromTop(SplashBitmap& out, uint32_t y) {
    return &out.dib[kInfoHeaderSize + rowStride(out.width) * (out.height - 1 - y)];
}

bool decodeBmp(const std::string& bytes, SplashBitmap& out, std::string& error) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    if (bytes.size() < kFileHeaderSize + kInfoHeaderSize) {
        error = "a truncated BMP file";
        return false;
    }
    const uint32_t pixelsAt = loadLe32(p + 10);
    const uint8_t* info = p + kFileHeaderSize;
    const uint32_t headerSize = loadLe32(info);
    const int32_t width = loadLeI32(info + 4);
    const int32_t height = loadLeI32(info + 8);
    const uint16_t bitCount = loadLe16(info + 14);
    const uint32_t compression = loadLe32(info + 16);
    if (headerSize < kInfoHeaderSize || headerSize > kInfoHeaderSize + 84) {
        error = "an unsupported BMP header";
        return false;
    }
    if (bitCount != 24 || compression != 0) {
        error = "a " + std::to_string(bitCount) +
                "-bit or compressed BMP; use an uncompressed 24-bit BMP or a PNG";
        return false;
    }
    const bool topDown = height < 0;
    const int64_t rows = topDown ? -int64_t{height} : height;
    if (!checkSize(width, rows, error)) return false;
    const size_t stride = rowStride(static_cast<uint32_t>(width));
    if (pixelsAt < kFileHeaderSize + headerSize || pixelsAt > bytes.size() ||
        stride * static_cast<size_t>(rows) > bytes.size() - pixelsAt) {
        error = "a truncated BMP file";
        return false;
    }
    startBitmap(out, static_cast<uint32_t>(width), static_cast<uint32_t>(rows));
    for (uint32_t y = 0; y < out.height; ++y) {
        const uint32_t stored = topDown ? y : out.height - 1 - y;
        bytes.copy(rowFromTop(out, y), stride, pixelsAt + stride * stored);
    }
    return true;
}

bool decodePng(const std::string& bytes, SplashBitmap& out, std::string& error) {
    const auto* p = reinterpret_cast<const stbi_uc*>(bytes.data());
    const int length = static_cast<int>(bytes.size());
    int width = 0, height = 0, channels = 0;
    if (stbi_info_from_memory(p, length, &width, &height, &channels) == 0) {
        error = std::string("not a readable PNG (") + stbi_failure_reason() + ")";
        return false;
    }
    if (!checkSize(width, height, error)) return false;
    const std::unique_ptr<stbi_uc, decltype(&stbi_image_free)> pixels(
        stbi_load_from_memory(p, length, &width, &height, &channels, 4), &stbi_image_free);
    if (!pixels) {
        error = std::string("a damaged or truncated PNG (") + stbi_failure_reason() + ")";
        return false;
    }
    startBitmap(out, static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    for (uint32_t y = 0; y < out.height; ++y) {
        char* row = rowFromTop(out, y);
        const stbi_uc* source = pixels.get() + size_t{4} * out.width * y;
        for (uint32_t x = 0; x < out.width; ++x, source += 4) {
            const unsigned alpha = source[3];
            for (int c = 0; c < 3; ++c) {
                // RGBA in, BGR out, over the ground colour.
                const unsigned value =
                    (source[2 - c] * alpha + kGround * (255 - alpha) + 127) / 255;
                row[3 * x + c] = static_cast<char>(value);
            }
        }
    }
    return true;
}

void appendBytes(void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                               static_cast<size_t>(size));
}

} // namespace

std::string encodeSplashPng(const SplashBitmap& bitmap) {
    std::string rgb(size_t{3} * bitmap.width * bitmap.height, '\0');
    for (uint32_t y = 0; y < bitmap.height; ++y) {
        const char* row =
            &bitmap.dib[kInfoHeaderSize + rowStride(bitmap.width) * (bitmap.height - 1 - y)];
        char* target = &rgb[size_t{3} * bitmap.width * y];
        for (uint32_t x = 0; x < bitmap.width; ++x)
            for (int c = 0; c < 3; ++c)
                target[3 * x + c] = row[3 * x + 2 - c]; // BGR to RGB
    }
    std::string png;
    stbi_write_png_to_func(appendBytes, &png, static_cast<int>(bitmap.width),
                           static_cast<int>(bitmap.height), 3, rgb.data(),
                           static_cast<int>(3 * bitmap.width));
    return png;
}

bool decodeSplashImage(const std::string& bytes, SplashBitmap& out, std::string& error) {
    if (bytes.compare(0, 2, "BM") == 0) return decodeBmp(bytes, out, error);
    if (bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0) {
        if (bytes.size() > INT32_MAX) {
            error = "the PNG file is too large";
            return false;
        }
        return decodePng(bytes, out, error);
    }
    error = "neither a BMP nor a PNG image";
    return false;
}

} // namespace lumen::builder
