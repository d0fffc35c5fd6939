#!/usr/bin/env bash
# Installs what is missing, builds Tamsel and starts the window.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=build
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTAMSEL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"

if [ ! -x "$build/app/tamsel" ]; then
  echo "The window is not built yet. Search from a terminal with $build/cli/tamsel-grep --help" >&2
  exit 1
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset): the window cannot open here." >&2
  echo "To search from a terminal, use: $build/cli/tamsel-grep PATTERN FILE..." >&2
  exit 1
fi
exec "$build/app/tamsel" "$@"
