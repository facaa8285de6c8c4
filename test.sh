#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest.
# BEAMDECK_SANITIZE=1 ./test.sh runs the suite under AddressSanitizer and UBSan.
# BEAMDECK_WERROR=1 makes compiler warnings errors.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
build=build
opts=()
if [ "${BEAMDECK_SANITIZE:-0}" = 1 ]; then
  build=build-asan
  opts+=(-DBEAMDECK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
fi
# Said either way: the build folder's cache would keep an earlier ON.
if [ "${BEAMDECK_WERROR:-0}" = 1 ]; then
  opts+=(-DBEAMDECK_WERROR=ON)
else
  opts+=(-DBEAMDECK_WERROR=OFF)
fi
cmake -S . -B "$build" "${opts[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
# Qt's libraries have no frame pointers: only the slow unwinder sees the Qt
# functions the suppressions name.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0:fast_unwind_on_malloc=0:malloc_context_size=10"
export UBSAN_OPTIONS="print_stacktrace=1"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
