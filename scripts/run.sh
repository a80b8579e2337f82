#!/usr/bin/env bash
# Installs what is missing, builds, prepares the default data and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh default
scripts/prepare-data.sh build
exec build/orandu
