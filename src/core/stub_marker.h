// The text every launcher stub carries in its read-only data, by which
// lumen-build tells one of its stubs from any other executable.
//
// Contract: the stub's entry takes the text's address through a volatile,
// so neither the optimiser nor the linker's section collection nor strip
// can drop it; lumen-build looks for the whole text in a stub's image (the
// part in front of any appended block). lumen-build's own image must not
// carry the text (it would then pass as a stub): it keeps only a
// complemented copy, made at compile time (builder/stub_check.h).
#pragma once

namespace lumen {

inline constexpr char kStubMarker[] = "LumenLauncherStub/5c1e8d2a-94b7-4f36-b0a9-7e13c6d4f2b8";

} // namespace lumen
