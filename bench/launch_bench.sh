#!/usr/bin/env bash
# Extraction under Wine: 200 MB of included files unpacked by a quiet
# launcher, against a plain copy of the same bytes by Windows' own copy
# command (target: at least 0.8 of the copy's speed). The start-up up to
# JNI_CreateJavaVM is bench/win_startup_bench.py's.
# 64-bit launchers (lumen-build's default). Prints figures only. Needs
# `make dist`.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
prefix=$work/prefix
export WINEPREFIX=$prefix
# shellcheck source=scripts/wine.sh
. scripts/wine.sh
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
lumen_wine_prefix /dev/null
runs=${RUNS:-9}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
seconds() { # command... -> wall seconds
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || true
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

# --- extraction ---------------------------------------------------------
head -c $((200 * 1024 * 1024)) /dev/urandom >"$work/payload.bin"
cat >"$work/big.toml" <<TOML
files = [{ path = "payload.bin" }]
[launcher]
main-class = "Main"
include-runtime-jar = false
search-sequence = ""
TOML
cat >"$work/small.toml" <<TOML
[launcher]
main-class = "Main"
include-runtime-jar = false
search-sequence = ""
TOML
dist/bin/lumen-build "$work/big.toml" -o "$work/big.exe"
dist/bin/lumen-build "$work/small.toml" -o "$work/small.exe"
# Measured with nothing left to write back: the payload just written, and
# whatever earlier benchmarks wrote, would otherwise be written back during
# the runs and slow whichever command it happens to fall on.
sync
big=() small=() copy=()
for _ in $(seq "$runs"); do
  rm -rf "$prefix/drive_c/users/"*/Temp/lmx* 2>/dev/null || true
  big+=("$(seconds lumen_wine "$work/big.exe" -q)")
  small+=("$(seconds lumen_wine "$work/small.exe" -q)")
  rm -f "$work/copy.bin"
  copy+=("$(seconds lumen_wine cmd /c copy /b "$(lumen_wine winepath -w "$work/payload.bin")" "$(lumen_wine winepath -w "$work/copy.bin")")")
done
b=$(printf '%s\n' "${big[@]}" | median)
s=$(printf '%s\n' "${small[@]}" | median)
c=$(printf '%s\n' "${copy[@]}" | median)
extract=$(echo "$b - $s" | bc -l)
printf 'extraction of 200 MB: launcher %.3f s (run %.3f s less a run without files %.3f s); cmd copy %.3f s (whole command)\n' "$extract" "$b" "$s" "$c"
printf 'extraction speed / copy speed: %.2f (target >= 0.8)\n' "$(echo "$c / $extract" | bc -l)"
