#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build-fuzz/) and runs each one for
# a bounded time on its seeds and a scratch corpus kept out of the tree.
# BEAMDECK_FUZZ_SECONDS is the time per target (default 60); an input taking
# more than 10 s counts as a hang. Fails on the first target that finds a
# crash, a hang or a leak; the input is left as build-fuzz/fuzz/<target>-crash-*.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${BEAMDECK_FUZZ_SECONDS:-60}
build=build-fuzz
targets=(fuzz_ildareader fuzz_ctable fuzz_groupimage fuzz_datagram fuzz_playfiles fuzz_content fuzz_optimizer)
cmake -S . -B "$build" -DBEAMDECK_FUZZ=ON -DBEAMDECK_TESTS=OFF -DBEAMDECK_BENCH=OFF \
  -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
export QT_QPA_PLATFORM=offscreen
for t in "${targets[@]}"; do
  mkdir -p "$corpus/$t"
  echo "== $t: ${seconds} s"
  "$build/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$build/fuzz/$t-" "$corpus/$t" "fuzz/seeds/$t"
done
