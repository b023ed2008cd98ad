// Whether a file is one of Lumen's stubs: it carries the stub marker
// (core/stub_marker.h) in its image.
#pragma once

#include <string>

namespace lumen::builder {

// image: the stub's bytes in front of any appended block.
bool carriesStubMarker(const std::string& image);

} // namespace lumen::builder
