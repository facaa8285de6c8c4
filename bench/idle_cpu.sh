#!/usr/bin/env bash
# CPU share of the idle program on the demo show: nothing hovered, nothing
# played. Starts beamdeck in a virtual X server, lets it settle, then reads the
# process's CPU time from /proc over a window and prints it as % of one core.
#
#   bench/idle_cpu.sh [BUILD_DIR] [SECONDS]     (defaults: build, 20)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
window=${2:-20}
settle=${SETTLE:-5}

work=$(mktemp -d)
pid=""
# xvfb-run leaves its X server and the program behind when it is killed
# alone: it runs in a session of its own and the whole group goes.
cleanup() {
  if [ -n "$pid" ]; then kill -- -"$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

"$build/tools/ildatool/ildatool" demo "$work/demo" >/dev/null
mkdir -p "$work/config"
printf '%s/\nplay/\nplay.list\n' "$work/demo" >"$work/config/_file_dir.ini"

BEAMDECK_CONFIG_DIR="$work/config" setsid xvfb-run -a -s "-screen 0 1600x1000x24" \
  "$build/src/app/beamdeck" >"$work/log" 2>&1 &
pid=$!

# xvfb-run is a shell script: find the program in its process group.
app=""
for _ in $(seq 50); do
  app=$(pgrep -n -g "$pid" beamdeck || true)
  [ -n "$app" ] && break
  sleep 0.2
done
if [ -z "$app" ]; then
  echo "beamdeck did not start; its log:" >&2
  cat "$work/log" >&2
  exit 1
fi

ticks() { awk '{ print $14 + $15 }' "/proc/$app/stat"; }
hz=$(getconf CLK_TCK)
sleep "$settle"
t0=$(ticks)
s0=$(date +%s.%N)
sleep "$window"
t1=$(ticks)
s1=$(date +%s.%N)
awk -v t="$((t1 - t0))" -v hz="$hz" -v s0="$s0" -v s1="$s1" \
  'BEGIN { printf "idle CPU: %.1f %% of one core over %.1f s\n", 100 * t / hz / (s1 - s0), s1 - s0 }'
