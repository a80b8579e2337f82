#!/usr/bin/env bash
# Installs what is missing, checks formatting, builds, checks names, and runs every test: the
# suite; the fuzz targets (their corpora and kept crashes replayed, then 30 s of fuzzing each);
# the suite again under AddressSanitizer + UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/check-format.sh

scripts/build.sh default
scripts/check-naming.sh
scripts/prepare-data.sh build
ctest --preset default -j2

scripts/fuzz.sh 30

scripts/build.sh sanitize
ctest --preset sanitize -j2
