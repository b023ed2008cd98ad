#!/usr/bin/env bash
# The one entry to the benchmarks: prints every figure and ratio in one run,
# on any host (Windows programs run as x64 under wine64; 32-bit ones only
# where the host runs them, and their stubs are measured anyway since sizes
# need no Wine). Everything it and the benchmarks it calls write lies under
# build/ (TMPDIR points there). Prints figures only; nothing here passes or
# fails on a time or a size. Needs `make dist`.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p build/bench-tmp
TMPDIR=$(mktemp -d "$PWD/build/bench-tmp/run.XXXXXX")
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT

# Runs one benchmark; a benchmark that fails says so and the others still run.
section() {
  local title=$1
  shift
  echo "== $title"
  "$@" || echo "($title: failed with status $?)"
}

block_read() {
  local tree=build/native
  # Configure (or refresh) the native tree so a newly added target is known.
  cmake -S . -B "$tree" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$tree" --target lumen_block_bench >/dev/null
  "$tree/bench/lumen_block_bench"
}

# Each stub as built (stripped) against the 256 KiB target, with what it is
# made of according to its link map.
stub_sizes() {
  local limit=$((256 * 1024)) tree arch flavour name file
  for tree in build/win32:x86 build/win64:x64; do
    arch=${tree#*:}
    tree=${tree%:*}
    for flavour in "" console-; do
      name=lumen-$flavour$arch.exe
      file=$tree/$name
      if [ ! -f "$file" ]; then
        echo "$name: missing (run 'make dist')"
        continue
      fi
      printf '%-24s %8d bytes (limit %d: %s)\n' "$name" "$(stat -c %s "$file")" "$limit" \
        "$([ "$(stat -c %s "$file")" -le "$limit" ] && echo within || echo OVER)"
      if [ -f "$tree/${name%.exe}.map" ]; then
        python3 bench/link_map.py "$tree/${name%.exe}.map" --members 6
      else
        echo "  (no link map: rebuild $tree)"
      fi
    done
  done
}

windows_startup() {
  local tree
  for tree in build/win64 build/win32; do
    [ -f "$tree/CMakeCache.txt" ] &&
      cmake --build "$tree" --target lumen_empty_program lumen_desktop_holder lumen_exiting_jvm >/dev/null
  done
  python3 bench/win_startup_bench.py
}

java_check() {
  local bench_exe=build/win64/lumen_java_check_bench.exe
  if [ ! -f "$bench_exe" ]; then
    echo "$bench_exe is missing: run 'make dist' first"
    return 0
  fi
  (
    WINEPREFIX=$(mktemp -d)
    export WINEPREFIX
    # shellcheck source=scripts/wine.sh
    . scripts/wine.sh
    trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
    lumen_wine_prefix /dev/null
    LUMEN_FIXTURES=$(lumen_wine winepath -w "$PWD/build/win64/fixtures") lumen_wine "$bench_exe"
  )
}

section "reading the configuration block" block_read
section "stub sizes (each <= 256 KiB), with their link maps' breakdown" stub_sizes
section "Windows start-up against an empty program (under Wine)" windows_startup
section "checkJavaExe: version-cache hit against a miss (64-bit, under Wine)" java_check
section "runtime provisioning: untar and download" bash bench/provisioning_bench.sh
section "extraction under Wine" bash bench/launch_bench.sh
section "the Linux launcher against the JDK's launcher" python3 bench/linux_launch_bench.py
