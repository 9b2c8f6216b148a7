#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and starts QERO4D Log on a simulated QERO, so that
# every function can be tried without hardware. With --hardware as the first argument
# the program talks to the real serial port instead.
# Extra arguments go to the program (for example --settings FILE).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
build="${QERO_BUILD_DIR:-$here/build}"
if [ "${1:-}" = "--hardware" ]; then
  shift
else
  set -- --simulate "$@"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: starting under a virtual X server (xvfb-run)." >&2
  exec xvfb-run -a "$build/src/app/qero4d-log" "$@"
fi
exec "$build/src/app/qero4d-log" "$@"
