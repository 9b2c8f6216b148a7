#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and runs the whole test suite without a display.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
build="${QERO_BUILD_DIR:-$here/build}"
export QT_QPA_PLATFORM=offscreen
# Tests never touch the user's own settings.
export QERO4D_SETTINGS="$build/test-settings.ini"
cd "$build"
ctest --output-on-failure --timeout 600 -j "$(nproc)"
