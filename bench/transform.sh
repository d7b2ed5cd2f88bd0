#!/usr/bin/env bash
# Lossless rotation by 90 degrees of a 12 MP and a 24 MP photo: `orlisk -r` against
# jpegtran and exiftran in one run, each on fresh copies of the same file, warm cache.
# Prints each tool's median wall time and the ratios orlisk/jpegtran, orlisk/exiftran;
# also libvantrel alone (bench/transform_driver.cpp), which is what orlisk calls.
#
#   BUILD_DIR  build tree (default: build)     ORLISK  program (default: $BUILD_DIR/orlisk/orlisk)
#   REPS       runs per tool (default: 7)      OUT     work folder (default: bench/out/transform)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
BUILD_DIR=${BUILD_DIR:-$source_dir/build}
ORLISK=${ORLISK:-$BUILD_DIR/orlisk/orlisk}
REPS=${REPS:-7}
OUT=${OUT:-$here/out/transform}

for tool in jpegtran exiftran cjpeg perl; do
    command -v "$tool" >/dev/null || { echo "transform.sh: $tool is missing" >&2; exit 1; }
done
mkdir -p "$OUT"

# A photo-like test image: noise over gradients and edges, so that the JPEG is about
# as dense as a camera's (the transform's cost follows the entropy-coded size).
make_photo() {  # width height file
    local w=$1 h=$2 file=$3
    [ -s "$file" ] && return
    perl -e '
        my ($w, $h) = @ARGV;
        srand(12345);
        my @rows;
        for my $k (0 .. 63) {
            my $r = "";
            for my $x (0 .. $w + 255) {
                my $g = int(128 + 100 * sin(($x + 37 * $k) / 97.0));
                my $n = int(rand(48)) - 24;
                my $edge = (($x >> 5) + $k) % 7 == 0 ? 60 : 0;
                $r .= pack("C3", map { my $v = $_ + $n; $v < 0 ? 0 : $v > 255 ? 255 : $v }
                           ($g + $edge, 255 - $g, ($g * 3 + $k * 8) % 256));
            }
            push @rows, $r;
        }
        binmode STDOUT;
        print "P6\n$w $h\n255\n";
        for my $y (0 .. $h - 1) {
            my $shift = (($y * 13) % 256) * 3;
            print substr($rows[($y * 7 + ($y >> 6)) % 64], $shift, $w * 3);
        }' "$w" "$h" | cjpeg -quality 92 -optimize > "$file.part"
    mv "$file.part" "$file"
}

now_ns() { date +%s%N; }

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

# One timed run of a tool on a fresh copy of the photo; prints microseconds.
run_jpegtran() { jpegtran -rotate 90 -trim -copy all -outfile "$OUT/out.jpg" "$1"; }
run_exiftran() { exiftran -9 -i "$1"; }
run_libvantrel() { "$driver" 1 "$1"; }
run_orlisk() { "$ORLISK" -r -s "$1"; }
time_once() {  # tool photo
    local copy=$OUT/copy.jpg t0 t1
    cp "$2" "$copy"
    rm -f "$OUT/out.jpg"
    sync -f "$copy" 2>/dev/null || true  # no write-back of the copy during the run
    t0=$(now_ns)
    "run_$1" "$copy" >/dev/null 2>&1 || { echo "transform.sh: $1 failed" >&2; exit 1; }
    t1=$(now_ns)
    echo $(( (t1 - t0) / 1000 ))
}

driver=
if [ -f "$BUILD_DIR/orlisk/libvantrel.so" ]; then
    driver=$OUT/transform_driver
    c++ -O2 -std=c++20 -I"$source_dir" "$here/transform_driver.cpp" -L"$BUILD_DIR/orlisk" \
        -lvantrel -Wl,-rpath,"$BUILD_DIR/orlisk" -o "$driver"
fi
have_orlisk=0
[ -x "$ORLISK" ] && have_orlisk=1

# The program must not show dialogs nor touch the user's settings.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$home QT_QPA_PLATFORM=offscreen

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
ms() { awk -v u="$1" 'BEGIN { printf "%.1f ms", u / 1000 }'; }

echo "lossless rotate 90, median of $REPS runs each (wall time)"
for size in 4000x3000 6000x4000; do
    w=${size%x*}
    h=${size#*x}
    photo=$OUT/photo-$size.jpg
    make_photo "$w" "$h" "$photo"
    bytes=$(stat -c %s "$photo")
    tools=(jpegtran exiftran)
    [ -n "$driver" ] && tools+=(libvantrel)
    [ $have_orlisk = 1 ] && tools+=(orlisk)
    # The tools take turns within each round, so a busy machine slows all alike.
    declare -A runs=()
    for ((i = 0; i < REPS; ++i)); do
        for tool in "${tools[@]}"; do runs[$tool]+="$(time_once "$tool" "$photo") "; done
    done
    declare -A med=()
    for tool in "${tools[@]}"; do med[$tool]=$(printf '%s\n' ${runs[$tool]} | median); done
    jt=${med[jpegtran]}
    et=${med[exiftran]}
    echo "$size ($((bytes / 1024)) KiB): jpegtran $(ms "$jt"), exiftran $(ms "$et")"
    if [ -n "$driver" ]; then
        vt=${med[libvantrel]}
        echo "  libvantrel alone $(ms "$vt"): /jpegtran $(ratio "$vt" "$jt"), /exiftran $(ratio "$vt" "$et")"
    fi
    if [ $have_orlisk = 1 ]; then
        ot=${med[orlisk]}
        echo "  orlisk -r $(ms "$ot"): orlisk/jpegtran $(ratio "$ot" "$jt"), orlisk/exiftran $(ratio "$ot" "$et")"
    else
        echo "  orlisk: $ORLISK not built, skipped"
    fi
    unset runs med
done
