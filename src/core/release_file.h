// The `release` file in a Java runtime's home: KEY="value" lines that every
// runtime since Java 9 (and many Java 8 builds) carries, written by the
// JDK's build, for example
//
//   IMPLEMENTOR="Eclipse Adoptium"
//   JAVA_RUNTIME_VERSION="17.0.9+9"
//   JAVA_VERSION="17.0.9"
//   OS_ARCH="x86_64"
//
// It answers what " -version" answers without starting a process.
//
// Contract: a pure parser over the file's text. The caller reads at most
// kReleaseFileMaxBytes (real files hold one or two kilobytes); the parser
// looks at no more than that either, and of a text that reaches the cap only
// the lines that end before it count, so a cut line never yields half a
// value. Junk lines, a byte order mark, CR or CRLF
// line ends, blanks around the parts and missing or unclosed quotes are
// tolerated; a key given twice counts with its last value, as a shell
// sourcing the file would see it.
#pragma once

#include <cstddef>
#include <string>

#include "core/cpu_arch.h"

namespace lumen {

constexpr size_t kReleaseFileMaxBytes = size_t{64} * 1024;

struct ReleaseInfo {
    std::string javaVersion;    // JAVA_VERSION, as written
    std::string runtimeVersion; // JAVA_RUNTIME_VERSION, as written
    std::string implementor;    // IMPLEMENTOR
    std::string osArch;         // OS_ARCH, as written
    CpuArch arch = CpuArch::Unknown;
    // The version " -version" prints: JAVA_VERSION with the pre-release part
    // of JAVA_RUNTIME_VERSION ("22" and "22-ea+27" give "22-ea"). Empty when
    // JAVA_VERSION is missing or not a version number, so the caller falls
    // back to running the runtime.
    std::string version;
};

ReleaseInfo parseReleaseFile(const std::string& text);

} // namespace lumen
