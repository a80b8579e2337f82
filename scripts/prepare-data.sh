#!/usr/bin/env bash
# Puts the default data beside the built program: the real ETOPO5 grid and the design-time bar.
set -euo pipefail
build=${1:-"$(dirname "$0")/../build"}
source_grid=/usr/share/ferret-vis/data/etopo5.cdf
mkdir -p "$build/data"
if [ "$(stat -c %s "$build/data/ETOPO5.DOS" 2>/dev/null)" != 18662400 ]; then
  "$build/etopo5-import" "$source_grid" "$build/data/ETOPO5.DOS"
fi
[ -f "$build/data/P1.BMP" ] || "$build/make-design-bar" "$build/data/P1.BMP"
