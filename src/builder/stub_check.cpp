#include "builder/stub_check.h"

#include <array>
#include <cstddef>

#include "core/stub_marker.h"

namespace lumen::builder {
namespace {

constexpr size_t kMarkerSize = sizeof(kStubMarker) - 1; // without the terminating zero

// The marker complemented at compile time: only this copy reaches
// lumen-build's image, so lumen-build itself never passes for a stub.
constexpr std::array<char, kMarkerSize> complemented() {
    std::array<char, kMarkerSize> out{};
    for (size_t i = 0; i < kMarkerSize; ++i)
        out[i] = static_cast<char>(~static_cast<unsigned char>(kStubMarker[i]));
    return out;
}

constexpr std::array<char, kMarkerSize> kComplementedMarker = complemented();

} // namespace

bool carriesStubMarker(const std::string& image) {
    std::string marker(kMarkerSize, '\0');
    for (size_t i = 0; i < kMarkerSize; ++i)
        marker[i] = static_cast<char>(~static_cast<unsigned char>(kComplementedMarker[i]));
    return image.find(marker) != std::string::npos;
}

} // namespace lumen::builder
