#!/usr/bin/env bash
# Static checks: clang-tidy (checks in .clang-tidy) and cppcheck over the
# portable core, the launcher and the OS layer; everything must stay clean.
# The POSIX files are checked as the native build compiles them, the
# Windows files as the 64-bit mingw-w64 build does (clang with the mingw
# target and the cross compiler's C++ headers).
set -euo pipefail
cd "$(dirname "$0")/.."
jdk=/usr/lib/jvm/java-17-openjdk-amd64
mingw=/usr/lib/gcc/x86_64-w64-mingw32/12-posix/include

mapfile -t posix < <(ls src/core/*.cpp src/launcher/*.cpp src/os/*.cpp | grep -v '_win\.cpp$')
mapfile -t windows < <(ls src/launcher/*_win.cpp src/os/*_win.cpp)

clang-tidy --quiet "${posix[@]}" -- -std=c++17 -Isrc \
  -isystem "$jdk/include" -isystem "$jdk/include/linux" 2>/dev/null
clang-tidy --quiet "${windows[@]}" -- -std=c++17 --target=x86_64-w64-mingw32 \
  -DWIN32_LEAN_AND_MEAN -Isrc -isystem "$mingw/c++" -isystem "$mingw/c++/x86_64-w64-mingw32" \
  -isystem "$mingw/c++/backward" -isystem "$jdk/include" -isystem src/launcher/jni/win32 2>/dev/null
cppcheck --enable=warning,style,performance,portability --error-exitcode=1 --inline-suppr \
  --std=c++17 -Isrc --quiet src/core/ src/launcher/ src/os/
echo "lint: core, launcher and OS layer clean"
