#!/usr/bin/env bash
# Fails when a name in the project's own C++ files breaks the naming convention in .clang-tidy.
# Runs over every source file the default build compiles (its compile_commands.json), two at a
# time; generated files (moc, uic) live in the build folder and are not looked at, nor are the
# window tests in tests/ui, whose slots take the names Qt Test gives them (init, cleanup, x_data).
set -euo pipefail
cd "$(dirname "$0")/.."
database=build/compile_commands.json
[ -f "$database" ] || { echo "check-naming: $database is missing; run scripts/build.sh default" >&2; exit 2; }
git ls-files -z '*.cpp' | grep -zFf <(grep -o '"file": "[^"]*"' "$database" | sed 's/.*"\([^"]*\)"/\1/' |
  sed "s|^$PWD/||") | grep -zv '^tests/ui/' |
  xargs -0 -n 4 -P 2 clang-tidy-14 -p build --quiet --warnings-as-errors='*'
