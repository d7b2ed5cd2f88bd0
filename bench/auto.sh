#!/usr/bin/env bash
# Automatic orientation of a folder of 100 photos of 12 megapixels (4000x3000), a
# third of them turned (EXIF orientation 6, 3 or 8), against exiftran and jhead on
# copies of the same files, in one run. Prints the median time of each tool and the
# ratios to orlisk.
#
#   bench/auto.sh                 ORLISK defaults to build/orlisk/orlisk
#   ORLISK=path RUNS=5 COUNT=100 BENCH_DIR=/tmp/x bench/auto.sh
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
ORLISK="${ORLISK:-$here/build/orlisk/orlisk}"
RUNS="${RUNS:-3}"
COUNT="${COUNT:-100}"
WIDTH="${WIDTH:-4000}"
HEIGHT="${HEIGHT:-3000}"

for tool in "$ORLISK" cjpeg exiftool exiftran jhead jpegtran perl; do
    command -v "$tool" >/dev/null || { echo "auto.sh: $tool not found" >&2; exit 2; }
done

work="${BENCH_DIR:-$(mktemp -d /tmp/orlisk-bench-auto.XXXXXX)}"
mkdir -p "$work"
cleanup() { [[ -n "${BENCH_DIR:-}" ]] || rm -rf "$work"; }
trap cleanup EXIT

# The program keeps its settings under HOME; the bench must not touch the user's.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/home/run"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"

# ---- the photos ------------------------------------------------------------------
master="$work/master"
if [[ ! -f "$master/.complete" ]]; then
    rm -rf "$master"
    mkdir -p "$master"
    echo "making $COUNT photos of ${WIDTH}x${HEIGHT} in $master ..." >&2
    # Four different pictures with detail everywhere (gradients and a texture), so
    # the files have a camera-like size.
    for s in 0 1 2 3; do
        perl -e '
            my ($w, $h, $s) = @ARGV;
            binmode STDOUT;
            print "P6\n$w $h\n255\n";
            for my $y (0 .. $h - 1) {
                my $row = "";
                for my $x (0 .. $w - 1) {
                    my $t = (($x * 7 + $y * 13 + $s * 31) ^ ($x * $y >> 6)) & 63;
                    $row .= pack("CCC", ($x * 255 / $w + $t) & 255,
                                        ($y * 255 / $h + $t * 2) & 255,
                                        (($x + $y) * 128 / ($w + $h) + $s * 40 + $t) & 255);
                }
                print $row;
            }' "$WIDTH" "$HEIGHT" "$s" | cjpeg -quality 90 -optimize > "$work/base$s.jpg"
    done
    declare -A byOrientation=()
    for ((i = 0; i < COUNT; i++)); do
        name="$(printf 'IMG_%04d.jpg' "$i")"
        cp "$work/base$((i % 4)).jpg" "$master/$name"
        case $((i % 9)) in
            0) o=6 ;; 3) o=3 ;; 6) o=8 ;; *) o=1 ;;
        esac
        byOrientation[$o]+="$master/$name"$'\n'
    done
    for o in "${!byOrientation[@]}"; do
        mapfile -t files < <(printf '%s' "${byOrientation[$o]}")
        exiftool -q -overwrite_original "-Orientation#=$o" "${files[@]}"
    done
    rm -f "$work"/base*.jpg
    touch "$master/.complete"
fi
turned=$(exiftool -q -q -n -p '$Orientation' "$master"/*.jpg | grep -c '^[368]$' || true)
echo "$COUNT photos, $turned of them turned; $RUNS runs per tool" >&2

# ---- timing ----------------------------------------------------------------------
now() { date +%s.%N; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Every tool must leave no turned photo behind, or its time means nothing.
check() {
    local left
    left=$(exiftool -q -q -n -p '$Orientation' "$1"/*.jpg | grep -c '^[368]$' || true)
    if [[ "$left" != 0 ]]; then
        echo "auto.sh: $2 left $left photos turned" >&2
        exit 1
    fi
}

declare -A times=()
run_tool() {  # name, then the command with @DIR@ for the folder
    local name="$1"; shift
    local dir="$work/run-$name"
    rm -rf "$dir"
    cp -a "$master" "$dir"
    rm -f "$dir/.complete"
    cat "$dir"/*.jpg > /dev/null   # the same warm page cache for everyone
    local args=() a
    for a in "$@"; do
        if [[ "$a" == "@DIR@" ]]; then args+=("$dir")
        elif [[ "$a" == "@FILES@" ]]; then args+=("$dir"/*.jpg)
        else args+=("$a"); fi
    done
    local t0 t1
    t0=$(now)
    "${args[@]}" > "$work/$name.log" 2>&1 || { echo "auto.sh: $name failed:" >&2; cat "$work/$name.log" >&2; exit 1; }
    t1=$(now)
    check "$dir" "$name"
    times[$name]+="$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f", b - a }')"$'\n'
    rm -rf "$dir"
}

for ((r = 1; r <= RUNS; r++)); do
    run_tool orlisk "$ORLISK" -auto -s @DIR@
    run_tool exiftran exiftran -ai @FILES@
    run_tool jhead jhead -autorot @FILES@
done

m_orlisk=$(printf '%s' "${times[orlisk]}" | median)
m_exiftran=$(printf '%s' "${times[exiftran]}" | median)
m_jhead=$(printf '%s' "${times[jhead]}" | median)
printf '%-10s %8.3f s (median of %d)\n' orlisk "$m_orlisk" "$RUNS" exiftran "$m_exiftran" "$RUNS" \
    jhead "$m_jhead" "$RUNS"
awk -v o="$m_orlisk" -v e="$m_exiftran" -v j="$m_jhead" \
    'BEGIN { printf "exiftran / orlisk = %.2f\njhead / orlisk    = %.2f\n", e / o, j / o }'
