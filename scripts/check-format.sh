#!/usr/bin/env bash
# Checks every tracked C++ source against the committed .clang-format without
# changing anything; lists the files that differ and exits 1 when there are any.
# CLANG_FORMAT=clang-format-NN picks another binary. Fuzz seeds are data
# (C tables with CRLF line ends and cut-off bodies) and stay as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
tool=${CLANG_FORMAT:-clang-format}
if ! command -v "$tool" >/dev/null 2>&1; then
  echo "error: $tool not found (Debian package clang-format; scripts/install-deps.sh installs it)" >&2
  exit 2
fi
differ=()
while IFS= read -r -d '' f; do
  if ! "$tool" --style=file --dry-run --Werror "$f" >/dev/null 2>&1; then
    differ+=("$f")
  fi
done < <(git ls-files -z -- 'src/*.cpp' 'src/*.h' 'tools/*.cpp' 'tools/*.h' 'tests/*.cpp' 'tests/*.h' \
                             'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h' ':!fuzz/seeds')
if [ ${#differ[@]} -gt 0 ]; then
  echo "These files do not match .clang-format (clang-format -i FILE fixes one):" >&2
  printf '  %s\n' "${differ[@]}" >&2
  exit 1
fi
echo "All C++ sources match .clang-format."
