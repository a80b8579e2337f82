#!/usr/bin/env bash
# Installs the Debian 12 packages the project builds, runs and tests with, when any is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang clang-format clang-tidy libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-translations-l10n libgl-dev
  libjpeg62-turbo-dev libpng-dev libdeflate-dev libnetcdf-dev liburing-dev
  libgtest-dev libbenchmark-dev
  ferret-datasets fonts-ipafont-gothic gmt-common
  xvfb xdotool x11-apps x11-utils openbox imagemagick desktop-file-utils libxcb1-dev
  strace appstream librsvg2-bin gdal-bin netcdf-bin
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
  "${missing[@]}" >/dev/null
