#!/usr/bin/env bash
# Configures and builds the project in build/ (Release, tests included).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QERO_BUILD_DIR:-$here/build}"
generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release "$@"
elif [ $# -gt 0 ]; then
  cmake "$build" "$@"
fi
cmake --build "$build" --parallel "$(nproc)"
