#!/usr/bin/env bash
# Static checks on the portable core: clang-tidy (checks in .clang-tidy) and
# cppcheck; both must stay clean.
set -euo pipefail
cd "$(dirname "$0")/.."
clang-tidy --quiet src/core/*.cpp -- -std=c++17 -Isrc 2>/dev/null
cppcheck --enable=warning,style,performance,portability --error-exitcode=1 --inline-suppr \
  --std=c++17 -Isrc --quiet src/core/
echo "lint: core clean"
