#!/usr/bin/env bash
# Runs every benchmark against its peer tools; each prints its own ratios.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
export ORLISK="${ORLISK:-$here/../build/orlisk/orlisk}"
for b in "$here"/transform.sh "$here"/auto.sh "$here"/thumbnails.sh; do
  if [ -x "$b" ]; then
    echo "== $(basename "$b")"
    "$b"
  fi
done
