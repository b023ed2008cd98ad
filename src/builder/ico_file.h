// Windows icon files (.ico) and the icon resources made from them.
//
// Contract: parseIconFile() accepts an icon file (not a cursor) with at
// least one image, each either a PNG (signature, IHDR and IEND present,
// at most 256 pixels a side) or an uncompressed bitmap whose colour and
// mask planes are all there. Every image's size, planes and bits per pixel
// are taken from the image itself, not from the file's directory, since
// the system picks the image to show by them. Anything else is refused
// with a message saying which image and why; nothing is read outside the
// given bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumen::builder {

struct IconImage {
    uint32_t width = 0; // pixels, 1 to 256
    uint32_t height = 0;
    uint16_t bitCount = 0;
    std::string bytes; // as stored in an RT_ICON resource
};

struct IconFile {
    std::vector<IconImage> images;
};

[[nodiscard]] bool parseIconFile(const std::string& bytes, IconFile& out, std::string& error);

// The RT_GROUP_ICON resource naming the images as RT_ICON resources
// firstId, firstId + 1, ... in the file's order.
std::string iconGroup(const IconFile& icon, uint16_t firstId);

} // namespace lumen::builder
