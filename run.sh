#!/usr/bin/env bash
# Installs what is missing, builds, and opens beamdeck on the demo show.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build >/dev/null
cmake --build build -j"$(nproc)" --target beamdeck ildatool

# The program keeps its folder settings in "_file_dir.ini" beside itself. On a
# first run, point them at a generated demo show so there is something to play.
appdir=build/src/app
if [ ! -f "$appdir/_file_dir.ini" ]; then
  demo="$PWD/build/demo"
  ./build/tools/ildatool/ildatool demo "$demo"
  printf '%s/\nplay/\nplay.list\n' "$demo" > "$appdir/_file_dir.ini"
  echo "Demo show written to $demo"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: starting beamdeck inside a virtual X server (xvfb-run)."
  exec xvfb-run -a -s "-screen 0 1600x1000x24" "./$appdir/beamdeck" "$@"
fi
exec "./$appdir/beamdeck" "$@"
