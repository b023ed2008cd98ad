#!/usr/bin/env bash
# Runtime provisioning figures, each against a baseline in the same run:
#  - untar of a real-size runtime archive (tar czf of the machine's JDK 17
#    directory, copied first by scripts/portable_runtime_copy.py so that no
#    link leaves the tree) by the launcher's own reader run natively, against GNU
#    `tar -xzf` of the same archive into the same file system (target: at
#    least 0.9 of tar's speed); and the same untar by the stub's modules
#    under Wine, for the record;
#    and against a bare zlib gzread loop over the same archive (the floor:
#    decompression alone, nothing written);
#  - a 100 MB download from a local HTTP server by the stub's download
#    (Wine's wininet) against curl, both timed over the transfer alone
#    (target: at least 0.9 of curl's speed), with the longest stretch the
#    download went without looking at Cancel.
# Prints figures only; nothing passes or fails on a time. Needs `make dist`
# (the 64-bit Windows tree's benchmark program).
set -euo pipefail
cd "$(dirname "$0")/.."
jdk=${JDK_DIR:-/usr/lib/jvm/java-17-openjdk-amd64}
runs=${RUNS:-5}
win_bench=build/win64/lumen_provisioning_bench.exe
[ -f "$win_bench" ] || { echo "$win_bench is missing: run 'make dist' first"; exit 0; }
[ -d "$jdk" ] || { echo "$jdk is missing (openjdk-17-jdk-headless)"; exit 0; }

cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/native --target lumen_untar_bench >/dev/null
native_bench=build/native/bench/lumen_untar_bench

# The work directory lies in the build tree: one file system for every
# archive and every target.
mkdir -p build
work=$(mktemp -d "$PWD/build/provisioning-bench.XXXXXX")
prefix=$work/prefix
export WINEPREFIX=$prefix
# shellcheck source=scripts/wine.sh
. scripts/wine.sh
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY
server_pid= holder_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  [ -n "$holder_pid" ] && kill "$holder_pid" 2>/dev/null || true
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
lumen_wine_prefix /dev/null

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
seconds() { # command... -> wall seconds
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
ratio() { echo "scale=3; $1 / $2" | bc -l; }
mbps() { echo "scale=1; $1 / 1048576 / $2" | bc -l; }

# --- untar ----------------------------------------------------------------
archive=$work/jdk.tar.gz
python3 scripts/portable_runtime_copy.py "$jdk" "$work/jdk"
tar czf "$archive" -C "$work/jdk" .
rm -rf "$work/jdk"
tar_bytes=$(gzip -dc "$archive" | wc -c)
data_bytes=$(tar tvzf "$archive" | awk '$1 ~ /^-/ {s += $3} END {print s}')
echo "== untar: $(basename "$jdk") ($(du -k "$archive" | cut -f1) KiB compressed," \
  "$((tar_bytes / 1048576)) MiB tar, $((data_bytes / 1048576)) MiB of file data)"
ours=() gnu=() floor=()
for _ in $(seq "$runs"); do
  rm -rf "$work/t1" "$work/t2"; mkdir "$work/t1" "$work/t2"; sync
  gnu+=("$(seconds tar -xzf "$archive" -C "$work/t1")")
  sync
  ours+=("$(seconds "$native_bench" "$archive" "$work/t2")")
  floor+=("$(seconds "$native_bench" --gzread "$archive")")
done
# The launcher's reader writes links as copies; compare with links followed.
"$native_bench" "$archive" "$work/t2" >/dev/null
diff -r "$work/t1" "$work/t2" 2>&1 | head -3 || true
gnu_s=$(printf '%s\n' "${gnu[@]}" | median)
ours_s=$(printf '%s\n' "${ours[@]}" | median)
printf 'GNU tar -xzf:            %6.3f s  %7.1f MiB/s of tar stream\n' "$gnu_s" "$(mbps "$tar_bytes" "$gnu_s")"
printf 'launcher reader, native: %6.3f s  %7.1f MiB/s of tar stream\n' "$ours_s" "$(mbps "$tar_bytes" "$ours_s")"
floor_s=$(printf '%s\n' "${floor[@]}" | median)
printf 'bare gzread loop:        %6.3f s  %7.1f MiB/s of tar stream\n' "$floor_s" "$(mbps "$tar_bytes" "$floor_s")"
echo "ratio launcher/tar speed: $(ratio "$gnu_s" "$ours_s") (target >= 0.9)"
echo "ratio launcher/gzread time: $(ratio "$ours_s" "$floor_s") (the launcher's cost over decompression alone)"

wine_runs=()
win_archive=$(lumen_wine winepath -w "$archive")
for _ in $(seq 3); do
  rm -rf "$work/t3"; mkdir "$work/t3"; sync
  wine_runs+=("$(lumen_wine "$win_bench" untar "$win_archive" "$(lumen_wine winepath -w "$work/t3")" 2>>"$work/wine.err" | tr -d '\r')")
done
wine_s=$(printf '%s\n' "${wine_runs[@]}" | median)
printf 'stub modules under Wine: %6.3f s  %7.1f MiB/s of tar stream (for the record)\n' \
  "$wine_s" "$(mbps "$tar_bytes" "$wine_s")"
rm -rf "$work/t1" "$work/t2" "$work/t3"

# --- download ---------------------------------------------------------------
size=$((100 * 1024 * 1024))
# The server serves until its standard input closes.
exec 3< <(sleep 100000)
holder_pid=$!
python3 tests/win/http_fixture_server.py <&3 >"$work/server.out" &
server_pid=$!
for _ in $(seq 50); do grep -q PORT "$work/server.out" 2>/dev/null && break; sleep 0.1; done
port=$(awk '/PORT/ {print $2}' "$work/server.out")
echo "== download: 100 MiB from http://127.0.0.1:$port"
curl_runs=() win_runs=() wall_runs=() gap_runs=()
for run in $(seq "$runs"); do
  # curl's own figure for the transfer, as the stub's excludes its start-up.
  curl_runs+=("$(curl -sf -o "$work/curl.bin" -w '%{time_total}' "http://127.0.0.1:$port/bytes/$size/curl$run")")
  start=$(date +%s.%N)
  read -r win_s gap_ms < <(lumen_wine "$win_bench" download "http://127.0.0.1:$port/bytes/$size/wine$run" 2>>"$work/wine.err" \
    "$(lumen_wine winepath -w "$work/wine.bin")" | tr -d '\r')
  win_runs+=("$win_s")
  gap_runs+=("$gap_ms")
  wall_runs+=("$(echo "$(date +%s.%N) - $start" | bc -l)")
  [ "$(stat -c %s "$work/wine.bin")" -eq "$size" ] || echo "download run $run: wrong size"
done
curl_s=$(printf '%s\n' "${curl_runs[@]}" | median)
win_s=$(printf '%s\n' "${win_runs[@]}" | median)
wall_s=$(printf '%s\n' "${wall_runs[@]}" | median)
gap_ms=$(printf '%s\n' "${gap_runs[@]}" | sort -n | tail -1)
printf 'curl:                    %6.3f s  %7.1f MiB/s\n' "$curl_s" "$(mbps "$size" "$curl_s")"
printf 'stub download (wininet): %6.3f s  %7.1f MiB/s (%.3f s with Wine start-up)\n' \
  "$win_s" "$(mbps "$size" "$win_s")" "$wall_s"
echo "ratio launcher/curl speed: $(ratio "$curl_s" "$win_s") (target >= 0.9)"
echo "longest time between two looks at Cancel: $gap_ms ms (target: within 100 ms)"
