#!/usr/bin/env bash
# Installs what is missing, builds, and opens beamdeck on the demo show.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build >/dev/null
cmake --build build -j"$(nproc)" --target beamdeck ildatool
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: starting beamdeck inside a virtual X server (xvfb-run)."
  exec xvfb-run -a -s "-screen 0 1600x1000x24" ./build/src/app/beamdeck "$@"
fi
exec ./build/src/app/beamdeck "$@"
