#!/usr/bin/env bash
# Builds the libFuzzer harnesses of tests/fuzz/ with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in a build directory of their own, writes their seeds,
# and runs each harness for the given number of seconds. Fails on any finding (the
# input that caused it is kept under <build>/findings/).
#   scripts/fuzz.sh [seconds]      FUZZ_BUILD (default build-fuzz), JOBS
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
build=${FUZZ_BUILD:-build-fuzz}
jobs=${JOBS:-$(nproc)}
harnesses=(fuzz_exif_writer fuzz_image_services fuzz_transform fuzz_language_file
           fuzz_registry fuzz_ini)

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DORLISK_FUZZ=ON -DORLISK_TESTS=OFF -DORLISK_WERROR=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$jobs" --target fuzz_seeds "${harnesses[@]}"

rm -rf "$build/seeds"
"$build/tests/fuzz/fuzz_seeds" "$build/seeds" "$PWD"
mkdir -p "$build/findings" "$build/logs"

failed=0
for h in "${harnesses[@]}"; do
  mkdir -p "$build/corpus/$h"
  log="$build/logs/$h.log"
  status=0
  "$build/tests/fuzz/$h" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=3072 \
    -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/findings/$h-" \
    "$build/corpus/$h" "$build/seeds/$h" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 || true)
  if [ "$status" -eq 0 ]; then
    echo "$h: ${runs:-?} runs in ${seconds} s, ${cov:-cov: ?} edges, no finding"
  else
    failed=1
    echo "$h: FINDING (status $status), see $log and $build/findings/"
    grep -E 'ERROR|broken promise|runtime error|SUMMARY' "$log" | head -5 || true
  fi
done
exit "$failed"
