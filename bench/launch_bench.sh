#!/usr/bin/env bash
# Launch figures under Wine, each against a baseline in the same run:
#  - extraction of 200 MB of included files by a quiet launcher, against a
#    plain copy of the same bytes by Windows' own copy command (target: at
#    least 0.8 of the copy's speed);
#  - a launch up to the JNI_CreateJavaVM call with a cached runtime (the
#    VM is bench/win/exiting_jvm.c, which imports only kernel32 and ends the
#    process in that call), against a launcher that exits at once on a
#    damaged block (target: under 15 ms more). A VM that imported user32
#    would add Wine's desktop start to one side only.
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

# --- start-up to JNI_CreateJavaVM ----------------------------------------
runtime=$work/runtime
mkdir -p "$runtime/bin/server"
cp build/win64/fixtures/java.exe "$runtime/bin/"
printf 'line=java version "1.8.0_202"\r\n' >"$runtime/bin/java.cfg"
if [ ! -f build/win64/exiting_jvm.dll ]; then
  cmake --build build/win64 --target lumen_exiting_jvm >/dev/null
fi
cp build/win64/exiting_jvm.dll "$runtime/bin/server/jvm.dll"
cat >"$work/launch.toml" <<TOML
[launcher]
include-runtime-jar = false
main-class = "Main"
search-sequence = ["B$(lumen_wine winepath -w "$runtime" | sed 's/\\/\\\\/g')"]
TOML
dist/bin/lumen-build "$work/launch.toml" -o "$work/launch.exe"
cp "$work/launch.exe" "$work/broken.exe"
python3 - "$work/launch.exe" "$work/broken.exe" <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
pe = struct.unpack_from("<I", data, 0x3C)[0]
sections = struct.unpack_from("<H", data, pe + 6)[0]
optional = struct.unpack_from("<H", data, pe + 20)[0]
table = pe + 24 + optional
end = max(sum(struct.unpack_from("<II", data, table + 40 * i + 16)) for i in range(sections))
data[end:end + 4] = b"\0\0\0\0"  # no magic: the launcher stops at once
open(sys.argv[2], "wb").write(data)
PY
lumen_wine "$work/launch.exe" -q >/dev/null 2>&1 || true # fills the version cache
launch=() quick=()
for _ in $(seq "$runs"); do
  launch+=("$(seconds lumen_wine "$work/launch.exe" -q)")
  quick+=("$(seconds lumen_wine "$work/broken.exe" -q)")
done
l=$(printf '%s\n' "${launch[@]}" | median)
q=$(printf '%s\n' "${quick[@]}" | median)
printf 'start to JNI_CreateJavaVM (cached runtime): %.1f ms; launcher exiting at once: %.1f ms; difference %.1f ms (target < 15 ms)\n' \
  "$(echo "$l * 1000" | bc -l)" "$(echo "$q * 1000" | bc -l)" "$(echo "($l - $q) * 1000" | bc -l)"
