#!/usr/bin/env bash
# Thumbnails of a folder of camera-like 12-megapixel photos (4000x3000, quality 92,
# each with an embedded 160x120 EXIF thumbnail): orlisk's folder load in high and in
# low quality (143x107 thumbnails, the default cell) against
# `vipsthumbnail --size 143x107` on the same files, in one process and across
# $(nproc) processes (xargs -P), in one run, warm cache. Prints each time, the ratios
# and orlisk's peak memory.
#
# orlisk is timed from the load's start to its end inside the process, in the real
# main window offscreen when bench/thumbnails_window is built, else through
# thumbnails_driver, which does per file what the window's load does. vipsthumbnail
# is timed as whole commands, its process starts included.
#
#   COUNT      photos in the folder (default: 1000); they are hard links to VARIANTS
#              distinct photos, so a large COUNT costs no disk
#   VARIANTS   distinct photos made (default: 16)
#   RUNS       runs of each tool; the median is reported (default: 1)
#   BUILD_DIR  build tree (default: build)     OUT  work folder (default: bench/out/thumbnails)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
BUILD_DIR=${BUILD_DIR:-$source_dir/build}
COUNT=${COUNT:-1000}
VARIANTS=${VARIANTS:-16}
RUNS=${RUNS:-1}
OUT=${OUT:-$here/out/thumbnails}
SIZE=143x107

for tool in vipsthumbnail exiftool xargs nproc; do
    command -v "$tool" >/dev/null || { echo "thumbnails.sh: $tool is missing (scripts/deps.sh installs it)" >&2; exit 1; }
done
driver=$BUILD_DIR/bench/thumbnails_driver
window=$BUILD_DIR/bench/thumbnails_window
[ -x "$driver" ] || { echo "thumbnails.sh: $driver is not built" >&2; exit 1; }
loader=("$driver" load)
how="the image services' load (thumbnails_driver)"
if [ -x "$window" ]; then
    loader=("$window")
    how="the main window offscreen"
fi

# The program must not show anything nor touch the user's settings.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/.config" "$home/run"
chmod 700 "$home/run"
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$home/run QT_QPA_PLATFORM=offscreen

# The distinct photos, each with its EXIF block and embedded thumbnail.
src=$OUT/src
mkdir -p "$src"
for ((v = 1; v <= VARIANTS; ++v)); do
    [ -s "$src/p$v.jpg" ] && continue
    "$driver" photo 4000 3000 "$v" "$src/p$v.part.jpg" "$src/t$v.jpg"
    exiftool -q -overwrite_original -Make=OrliskBench -Model=12MP \
        "-DateTimeOriginal=2026:12:09 10:00:00" -Orientation#=1 \
        "-ThumbnailImage<=$src/t$v.jpg" "$src/p$v.part.jpg"
    mv "$src/p$v.part.jpg" "$src/p$v.jpg"
done
photos=$OUT/photos-$COUNT-$VARIANTS
if [ "$(find "$photos" -name '*.jpg' 2>/dev/null | wc -l)" != "$COUNT" ]; then
    rm -rf "$photos"
    mkdir -p "$photos"
    for ((i = 0; i < COUNT; ++i)); do
        ln "$src/p$((i % VARIANTS + 1)).jpg" "$photos/$(printf 'IMG_%05d.jpg' "$i")"
    done
fi
cat "$src"/p*.jpg > /dev/null  # warm cache for everyone

cores=$(nproc)
per_process=$(( (COUNT + cores - 1) / cores ))
vout=$OUT/vips
now_ns() { date +%s%N; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

vips_one() {
    rm -rf "$vout" && mkdir -p "$vout"
    local t0 t1
    t0=$(now_ns)
    find "$photos" -name '*.jpg' -print0 | xargs -0 vipsthumbnail --size "$SIZE" -o "$vout/%s.jpg"
    t1=$(now_ns)
    echo $(( (t1 - t0) / 1000000 ))
}
vips_all() {
    rm -rf "$vout" && mkdir -p "$vout"
    local t0 t1
    t0=$(now_ns)
    find "$photos" -name '*.jpg' -print0 |
        xargs -0 -P "$cores" -n "$per_process" vipsthumbnail --size "$SIZE" -o "$vout/%s.jpg"
    t1=$(now_ns)
    echo $(( (t1 - t0) / 1000000 ))
}
# Prints "milliseconds peak-KiB"; checks that every photo got its thumbnail.
orlisk_load() {  # high|low
    local ms made kib result
    result=$("${loader[@]}" "$photos" 143 143 "$1" 2>/dev/null)
    read -r ms made kib <<< "$result"
    [ "$made" = "$COUNT" ] || { echo "thumbnails.sh: $1 quality made $made of $COUNT thumbnails" >&2; exit 1; }
    echo "$ms $kib"
}

load=$(cut -d' ' -f1-3 /proc/loadavg)
declare -A runs=()
peak_high=0 peak_low=0 pair_all="" pair_low=""
for ((r = 0; r < RUNS; ++r)); do
    # Each pair that is compared runs back to back, so that the load the other users
    # of a shared machine put on it changes little between the two.
    result=$(orlisk_load high)
    read -r ms kib <<< "$result"
    runs[high]+="$ms "
    (( kib > peak_high )) && peak_high=$kib
    va=$(vips_all)
    runs[vips_all]+="$va "
    pair_all+="$(awk -v a="$ms" -v b="$va" 'BEGIN { printf "%.3f", a / b }') "
    result=$(orlisk_load low)
    read -r lms kib <<< "$result"
    runs[low]+="$lms "
    (( kib > peak_low )) && peak_low=$kib
    pair_low+="$(awk -v a="$ms" -v b="$lms" 'BEGIN { printf "%.3f", a / b }') "
    runs[vips_one]+="$(vips_one) "
done
declare -A med=()
for k in high low vips_all vips_one; do med[$k]=$(printf '%s\n' ${runs[$k]} | median); done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.0f MiB", k / 1024 }'; }
bytes=$(stat -c %s "$src/p1.jpg")
echo "thumbnails $SIZE of $COUNT photos 4000x3000 (about $((bytes / 1024)) KiB each, embedded 160x120 thumbnail)"
echo "$cores cores, load average before the run $load; orlisk timed in $how; median of $RUNS run(s)"
echo "  vipsthumbnail, one process:          ${med[vips_one]} ms"
echo "  vipsthumbnail, $cores processes:          ${med[vips_all]} ms"
echo "  orlisk high quality:                 ${med[high]} ms   peak memory $(mib "$peak_high")"
echo "  orlisk low quality (embedded):       ${med[low]} ms   peak memory $(mib "$peak_low")"
echo "  high / vipsthumbnail on $cores cores:     $(ratio "${med[high]}" "${med[vips_all]}")   (goal: at most 1.0; each run: $pair_all)"
echo "  high / vipsthumbnail in one process: $(ratio "${med[high]}" "${med[vips_one]}")"
echo "  high / low:                          $(ratio "${med[high]}" "${med[low]}")   (goal: at least 10; each run: $pair_low)"
