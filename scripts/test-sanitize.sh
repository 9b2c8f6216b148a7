#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the programs and tests with AddressSanitizer and UndefinedBehaviorSanitizer in a
# folder of their own and runs the whole test suite there, without a display. Any report
# of either sanitizer fails the test that caused it.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/install-deps.sh"
build="${QERO_SANITIZE_BUILD_DIR:-$here/build-asan}"
generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
launcher=()
if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  # -O1 keeps the instrumented tests fast enough while the stack traces stay exact.
  cmake -S "$here" -B "$build" "${generator[@]}" "${launcher[@]}" \
        -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
        -DQERO_SANITIZE=ON -DQERO_BUILD_TESTS=ON
fi
cmake --build "$build" --parallel "$(nproc)"

export QT_QPA_PLATFORM=offscreen
export QERO4D_SETTINGS="$build/test-settings.ini"
# Stop at the first report with its stack, so that a test cannot pass over one.
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:print_summary=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:report_error_type=1"
# Leaks inside the system's font and window libraries are theirs, not ours (see the file).
export LSAN_OPTIONS="suppressions=$here/scripts/lsan-suppressions.txt:print_suppressions=0"
cd "$build"
ctest --output-on-failure --timeout 1200 -j "$(nproc)"
