#!/usr/bin/env bash
# Installs the Debian packages one use of Orlisk needs, and no others:
#   scripts/deps.sh run     building and running the program        (make run)
#   scripts/deps.sh test    run's, and what the tests add           (make test)
#   scripts/deps.sh bench   test's, and the peers the benchmarks time (make bench)
#   scripts/deps.sh fuzz    run's, and the fuzzers' compiler          (make fuzz)
# Idempotent: packages already present are left alone and nothing is fetched.
# This is the one place that installs packages; the machine's settings (locales
# among them) are not changed.
set -euo pipefail

group=${1:-run}

run=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-image-formats-plugins libxcb1-dev
  libturbojpeg0-dev libjpeg62-turbo-dev libexif-dev
  # Qt's own texts (OK, Cancel, Yes, No) in the desktop's language
  qt6-translations-l10n
  # the desktop's launcher, which opens a photo in the user's default viewer
  xdg-utils
)
test=(
  libgtest-dev googletest
  # oracles: jpegtran decodes and turns, exiftool reads the EXIF
  libjpeg-turbo-progs libimage-exiftool-perl
  # real camera photos (EXIF samples of many makers) for the EXIF viewer's tests
  golang-github-rwcarlsen-goexif-dev
  # the de_DE source for the "," decimal locale the tests make in the build folder
  locales
  # a real display for the program under test, and fonts for offscreen drawing
  xvfb xauth x11-utils libx11-dev fonts-dejavu-core
  # a window manager and a driver for tests that use the window as a person would,
  # and wmctrl to close and maximise it from outside in the real-program checks
  openbox wmctrl xdotool
  # checks of what the install ships: the desktop entry and the man page
  desktop-file-utils man-db
)
bench=(
  # the peers the benchmarks time the program against
  exiftran jhead libvips-tools
)
fuzz=(
  # the seed maker uses the tests' photo makers
  libgtest-dev googletest
  # the fuzz harnesses: clang, its sanitizer and libFuzzer runtimes, and llvm-cov
  clang libclang-rt-14-dev llvm
)

case "$group" in
  run) packages=("${run[@]}") ;;
  test) packages=("${run[@]}" "${test[@]}") ;;
  bench) packages=("${run[@]}" "${test[@]}" "${bench[@]}") ;;
  fuzz) packages=("${run[@]}" "${fuzz[@]}") ;;
  *) echo "usage: $0 run|test|bench|fuzz" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -gt 0 ] || exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
$SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
