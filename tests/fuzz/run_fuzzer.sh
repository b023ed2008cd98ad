#!/usr/bin/env bash
# run_fuzzer.sh FUZZER SEEDS WORKDIR SECONDS DICT
# Runs FUZZER for a fixed time on a fresh copy of the seed corpus in WORKDIR
# (inside the build tree), so neither the run nor a crash writes into the
# source tree. Inputs are at most 64 KiB, so a single allocation of 1 MiB or
# more can only come from a length that was not checked: it fails the run.
set -euo pipefail
fuzzer=$1 seeds=$2 work=$3 seconds=$4 dict=$5

rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
cp "$seeds"/* "$work/corpus/"

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:allocator_may_return_null=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$work"
exec "$fuzzer" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
  -malloc_limit_mb=1 -rss_limit_mb=1024 -dict="$dict" \
  -artifact_prefix="$work/artifacts/" -print_final_stats=1 "$work/corpus"
