#!/usr/bin/env bash
# Line coverage of each fuzz harness's unit: the harnesses are built again with
# clang's source-based coverage (build-fuzz-cov/, no sanitizers), run once over the
# corpus and seeds that scripts/fuzz.sh left in build-fuzz/, and llvm-cov reports the
# lines of the unit each one exercises.
#   scripts/fuzz-coverage.sh       FUZZ_BUILD (default build-fuzz), JOBS
set -euo pipefail
cd "$(dirname "$0")/.."

fuzz=${FUZZ_BUILD:-build-fuzz}
build="$fuzz-cov"
jobs=${JOBS:-$(nproc)}
declare -A units=(
  [fuzz_exif_writer]="engine/exif_writer.cpp"
  [fuzz_image_services]="platform/gdiplus/gpimage.cpp platform/gdiplus/gpexif.cpp platform/gdiplus/gpdecode.cpp"
  [fuzz_transform]="platform/vantrel/transform.cpp platform/vantrel/safe_replace.cpp platform/vantrel/vantrel.cpp platform/vantrel/layout.cpp platform/vantrel/picture.cpp platform/vantrel/exif_block.cpp platform/vantrel/thumbnail.cpp platform/vantrel/mpf.cpp platform/vantrel/xmp.cpp platform/vantrel/tiff.cpp platform/vantrel/output.cpp platform/vantrel/decode_check.cpp"
  [fuzz_language_file]="translation/lang_file.cpp"
  [fuzz_registry]="platform/system/registry.cpp"
  [fuzz_ini]="platform/system/inifiles.cpp"
)
harnesses=(fuzz_exif_writer fuzz_image_services fuzz_transform fuzz_language_file
           fuzz_registry fuzz_ini)

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DORLISK_FUZZ=ON -DORLISK_FUZZ_COVERAGE=ON -DORLISK_TESTS=OFF -DORLISK_WERROR=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target "${harnesses[@]}" >/dev/null

mkdir -p "$build/profiles"
for h in "${harnesses[@]}"; do
  inputs=()
  for d in "$fuzz/corpus/$h" "$fuzz/seeds/$h"; do [ -d "$d" ] && inputs+=("$d"); done
  rm -f "$build/profiles/$h".*
  LLVM_PROFILE_FILE="$build/profiles/$h.profraw" "$build/tests/fuzz/$h" -runs=0 \
    "${inputs[@]}" >"$build/profiles/$h.log" 2>&1
  llvm-profdata merge -sparse "$build/profiles/$h.profraw" -o "$build/profiles/$h.profdata"
  objects=("$build/tests/fuzz/$h")
  [ "$h" = fuzz_transform ] && objects+=(-object "$build/orlisk/libvantrel.so")
  read -r -a files <<<"${units[$h]}"
  total=$(llvm-cov report "${objects[@]}" -instr-profile="$build/profiles/$h.profdata" \
    "${files[@]}" | awk '$1 == "TOTAL" { print $8, "lines,", $9, "missed:", $10 }')
  echo "$h: ${units[$h]}: $total line coverage ($(find "${inputs[@]}" -type f | wc -l) inputs)"
done
