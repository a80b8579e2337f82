#!/usr/bin/env bash
# `cmake --install` into a fresh folder makes the self-contained program folder, and the
# installed tools find their data beside themselves.
#
#   install_layout.sh CMAKE BUILD_DIR SOURCE_DIR
set -euo pipefail
cmake=$1
build=$2
source=$3

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# A space in the folder's name: the desktop entry must quote the program's path.
prefix="$scratch/My Orandu"
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

"$cmake" --install "$build" --prefix "$prefix" >"$scratch/install.log"

# Every tool the README names is installed, and starts from the installed folder: without
# arguments each answers with its usage line and status 2.
readme_tools=$(grep -oE '\b(orandu|etopo5|make)-[a-z][a-z-]*[a-z]\b' "$source/README.md" | sort -u)
[ -n "$readme_tools" ] || fail "the README names no tools"
for program in orandu orandu-render orandu-import etopo5-import make-worldmap make-design-bar \
  $readme_tools; do
  [ -x "$prefix/$program" ] || fail "$program is not installed at the top of the folder"
done
for program in $readme_tools; do
  status=0
  "$prefix/$program" >/dev/null 2>"$scratch/usage.txt" || status=$?
  [ "$status" = 2 ] && grep -q "^usage: $program " "$scratch/usage.txt" ||
    fail "the installed $program does not start (status $status: $(cat "$scratch/usage.txt"))"
done

entry="$prefix/share/applications/orandu.desktop"
[ -f "$entry" ] || fail "no desktop entry"
for line in 'Type=Application' 'Name=Orandu' 'Name[ja]=オランドゥ' 'Icon=orandu' \
  'Categories=Science;Geography;Education;' "Exec=\"$prefix/orandu\""; do
  grep -qxF "$line" "$entry" || fail "the desktop entry lacks: $line"
done
grep -qE '^GenericName=.+' "$entry" || fail "the desktop entry has no generic name"
grep -qE '^Keywords=([^;]+;)+$' "$entry" || fail "the desktop entry has no keywords"
desktop-file-validate "$entry" || fail "the desktop entry does not validate"

icon="$prefix/share/icons/hicolor/64x64/apps/orandu.png"
cmp -s "$icon" "$source/resources/orandu.png" || fail "the 64 x 64 icon is not installed"
for size in 48 128 256; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/orandu.png"
  [ -f "$icon" ] || fail "no $size x $size icon"
  [ "$(identify -format '%m %wx%h' "$icon")" = "PNG ${size}x${size}" ] ||
    fail "the $size x $size icon is $(identify -format '%m %wx%h' "$icon")"
done
svg="$prefix/share/icons/hicolor/scalable/apps/orandu.svg"
[ -f "$svg" ] || fail "no scalable icon"
rsvg-convert "$svg" -o "$scratch/svg.png" || fail "the scalable icon does not draw"
[ "$(identify -format '%wx%h' "$scratch/svg.png")" = 256x256 ] || fail "the scalable icon's size"

# The metainfo passes the validator, launches the installed desktop entry, and shows only the
# README's own pictures, the main window first.
metainfo=("$prefix"/share/metainfo/*.metainfo.xml)
[ ${#metainfo[@]} = 1 ] && [ -f "${metainfo[0]}" ] || fail "no single metainfo file"
appstreamcli validate --no-net "${metainfo[0]}" >"$scratch/validate.txt" ||
  fail "the metainfo does not validate: $(cat "$scratch/validate.txt")"
id=$(sed -n 's|.*<id>\(.*\)</id>.*|\1|p' "${metainfo[0]}")
[ "$(basename "${metainfo[0]}")" = "$id.metainfo.xml" ] || fail "the metainfo is not named $id"
launchable=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "${metainfo[0]}")
[ -f "$prefix/share/applications/$launchable" ] || fail "the metainfo launches no installed entry"
readme_pictures=$(grep -oE 'docs/[a-z-]+\.png' "$source/README.md" | sort -u)
shown=$(grep -oE '<image>[^<]*/docs/[a-z-]+\.png</image>' "${metainfo[0]}" |
  grep -oE 'docs/[a-z-]+\.png')
[ "$(head -1 <<<"$shown")" = docs/main-window.png ] ||
  fail "the metainfo's first screenshot is not the main window: [$shown]"
for picture in $shown; do
  grep -qx "$picture" <<<"$readme_pictures" && [ -f "$source/$picture" ] ||
    fail "the metainfo shows $picture, which the README does not"
done

if [ -f "$build/data/ETOPO5.DOS" ] && [ -f "$build/data/P1.BMP" ]; then
  cmp -s "$prefix/data/ETOPO5.DOS" "$build/data/ETOPO5.DOS" || fail "data/ETOPO5.DOS differs"
  cmp -s "$prefix/data/P1.BMP" "$build/data/P1.BMP" || fail "data/P1.BMP differs"
  # Without --grid and --bar the installed tool reads its own data folder, and paints what the
  # built tool paints from the build's data.
  (cd "$scratch" && "$prefix/orandu-render" --center 138,35 --size 60x40 --out installed.png) \
    >/dev/null || fail "the installed orandu-render does not find its data"
  "$build/orandu-render" --grid "$build/data/ETOPO5.DOS" --bar "$build/data/P1.BMP" \
    --center 138,35 --size 60x40 --out "$scratch/built.png" >/dev/null
  cmp -s "$scratch/installed.png" "$scratch/built.png" ||
    fail "the installed orandu-render paints differently"
else
  [ ! -e "$prefix/data/ETOPO5.DOS" ] || fail "data installed that was never prepared"
fi
echo "installed layout ok: $prefix"
