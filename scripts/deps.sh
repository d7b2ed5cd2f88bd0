#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Orlisk needs.
# Idempotent: packages already present are left alone and nothing is fetched.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-image-formats-plugins
  libturbojpeg0-dev libjpeg62-turbo-dev libexif-dev libxcb1-dev
  libgtest-dev googletest
  # the desktop's launcher, which opens a photo in the user's default viewer
  xdg-utils
  # oracles and peers used by the tests and the benchmarks
  libjpeg-turbo-progs libimage-exiftool-perl exiftran jhead libvips-tools
  # real camera photos (EXIF samples of many makers) for the EXIF viewer's tests
  golang-github-rwcarlsen-goexif-dev
  # a locale with "," as decimal separator for the EXIF value formatting tests
  locales
  # a real display for the program under test, and fonts for offscreen drawing
  xvfb xauth x11-utils libx11-dev fonts-dejavu-core
  # a window manager and a driver for tests that use the window as a person would,
  # and wmctrl to close and maximise it from outside in the real-program checks
  openbox wmctrl xdotool
  # checks of what the install ships: the desktop entry and the man page
  desktop-file-utils man-db
  # the fuzz harnesses: clang, its sanitizer and libFuzzer runtimes, and llvm-cov
  clang libclang-rt-14-dev llvm
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
  $SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
fi

# The tests format numbers in a locale whose decimal separator is ",".
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  if [ -f /etc/locale.gen ] && ! grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen; then
    echo 'de_DE.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  fi
  $SUDO locale-gen >/dev/null
fi
