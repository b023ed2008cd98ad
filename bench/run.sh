#!/usr/bin/env bash
# Builds and runs the block-reading benchmark, then prints the stripped size
# of each stub in dist/stub. Prints figures only; nothing here passes or fails
# on a time or a size.
set -euo pipefail
cd "$(dirname "$0")/.."

tree=build/native
# Configure (or refresh) the native tree so a newly added target is known.
cmake -S . -B "$tree" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$tree" --target lumen_block_bench >/dev/null
echo "== reading the configuration block"
"$tree/bench/lumen_block_bench"

echo "== stub sizes (stripped)"
if [ ! -d dist/stub ]; then
  echo "dist/stub is missing: run 'make dist' first"
  exit 0
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for stub in lumen-x86.exe lumen-x64.exe lumen-console-x86.exe lumen-console-x64.exe; do
  file=dist/stub/$stub
  if [ ! -f "$file" ]; then
    echo "$stub: missing (run 'make dist')"
    continue
  fi
  case $stub in
    *x86.exe) strip=i686-w64-mingw32-strip ;;
    *) strip=x86_64-w64-mingw32-strip ;;
  esac
  # Strip a copy: the stubs in dist are stripped already, and this shows it.
  cp "$file" "$scratch/$stub"
  "$strip" "$scratch/$stub"
  printf '%-24s %8d bytes stripped (%d as shipped)\n' "$stub" \
    "$(stat -c %s "$scratch/$stub")" "$(stat -c %s "$file")"
done

echo "== checkJavaExe: version-cache hit against a miss (64-bit, under Wine)"
bench_exe=build/win64/lumen_java_check_bench.exe
if [ ! -f "$bench_exe" ]; then
  echo "$bench_exe is missing: run 'make dist' first"
  exit 0
fi
prefix=$(mktemp -d)
export WINEPREFIX="$prefix"
# shellcheck source=scripts/wine.sh
. scripts/wine.sh
trap 'wineserver -k >/dev/null 2>&1; rm -rf "$scratch" "$prefix"' EXIT
lumen_wine_prefix /dev/null
LUMEN_FIXTURES=$(lumen_wine winepath -w "$PWD/build/win64/fixtures") lumen_wine "$bench_exe"
