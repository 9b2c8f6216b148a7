#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the README's screenshots from the running program on the simulated module:
# a virtual X display, the real windows driven through their menus with xdotool, and each
# window captured with ImageMagick. Writes docs/screenshots/*.png.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QERO_BUILD_DIR:-$here/build}"
out="$here/docs/screenshots"

missing=()
for p in xvfb:Xvfb xdotool:xdotool imagemagick:import; do
    command -v "${p#*:}" >/dev/null || missing+=("${p%%:*}")
done
if ((${#missing[@]})); then
    sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
[ -x "$build/src/app/qero4d-log" ] || "$here/scripts/build.sh"

work="$(mktemp -d)"
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
app=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY="$display"
export QT_QPA_PLATFORM=xcb
sleep 1

# A window by (part of) its title, waiting for it to appear.
window() { timeout "${2:-30}" xdotool search --sync --onlyvisible --name "$1" | head -1; }
# Waits until no visible window has that title any more.
gone() {
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "$1" >/dev/null || return 0
        sleep 0.2
    done
    echo "window \"$1\" did not close" >&2
    return 1
}
shot() { # window-id file
    sleep "${3:-1}"
    import -window "$1" "$out/$2.png"
    echo "wrote docs/screenshots/$2.png"
}
keys() { # window-id keys...
    local w=$1; shift
    xdotool windowfocus --sync "$w" 2>/dev/null || true
    xdotool key --delay 150 "$@"
}

mkdir -p "$out"
# A first run on a 1366x768 laptop screen, following the README's first session.
: >"$work/settings.ini"
# The downloads it keeps go to the scratch folder, not into the user's data folder.
XDG_DATA_HOME="$work/data" \
"$build/src/app/qero4d-log" --simulate --settings "$work/settings.ini" --splash-ms 300 \
    >"$work/app.log" 2>&1 &
app=$!
main=$(window "Data Logging Program Version")

# At the first start the program offers the port set-up; take it.
box=$(window "Auto Connect")
keys "$box" Return
shot "$main" port-setup
# Its OK button puts the panel away.
xdotool mousemove --window "$main" 176 95 click 1

# The simulated module's analog input is a throttle sensor: TPS Percent, Closed read from
# the idling engine, the wide-open voltage typed, and the offered 0-100 range taken.
keys "$main" alt+e a
scaling=$(window "Analog Input Scaling")
xdotool mousemove --window "$scaling" 30 91 click 1
keys "$scaling" alt+c
sleep 1
xdotool mousemove --window "$scaling" 515 41 click 1
xdotool key ctrl+a
xdotool type 4.6
shot "$scaling" analog-scaling
keys "$scaling" Return
box=$(window "TPS Percent")
keys "$box" Return
gone "Analog Input Scaling"

# Download the simulated module's log: the chart opens when it is done.
keys "$main" alt+c d
box=$(window "Download Data")
keys "$box" Return
shot "$main" download 3
chart=$(window "Chart Display" 60)
# A marker in the middle of the chart, to show the readouts.
xdotool mousemove --window "$chart" 500 250 click 1
shot "$chart" chart 3
keys "$chart" Escape
gone "Chart Display"

# File > Save File, as the first session does: the live view below would otherwise ask
# first about the unsaved download.
keys "$main" ctrl+s
dialog=$(window "Save File")
sleep 1
xdotool type "$work/drive.log"
keys "$dialog" Return
box=$(window "Optional Information Entry")
keys "$box" Return
gone "Optional Information Entry"

# The download in the log viewer, on the whole 1366x768 screen, a marker placed.
keys "$main" alt+v l
viewer=$(window "Log Viewer")
xdotool windowmove --sync "$viewer" 0 0 windowsize --sync "$viewer" 1366 740
sleep 1
xdotool mousemove --window "$viewer" 700 300 click 1
shot "$viewer" log-viewer 2
keys "$viewer" ctrl+w
gone "Log Viewer"

keys "$main" alt+v a
table=$(window "AFR Table")
shot "$table" afr-table
# The whole 1366x768 screen with the table on it: it fits.
sleep 0.5
import -window root "$out/afr-table-1366x768.png"
echo "wrote docs/screenshots/afr-table-1366x768.png"
keys "$table" alt+f x
gone "AFR Table"

keys "$main" alt+v r
# Long enough for the simulated sensors to warm up.
shot "$main" real-time 15

keys "$main" alt+e Return
shot "$main" parameters


keys "$main" alt+e Down Down Down Return
fuel=$(window "Fuel Type")
shot "$fuel" fuel-type
keys "$fuel" Escape
gone "Fuel Type"

# ---- Tuning workbench: a downloaded log, a cell selected, at two screen sizes -----------
# The live view above used the buffer; download the log again for the workbench to read.
keys "$main" alt+c d
box=$(window "Download Data")
keys "$box" Return
chart=$(window "Chart Display" 60)
keys "$chart" Escape
gone "Chart Display"
keys "$main" alt+v t
bench=$(window "Tuning Workbench")
# As it opens on a 1366x768 screen: within the screen, every panel whole.
sleep 2
import -window root "$out/tuning-workbench-1366x768.png"
echo "wrote docs/screenshots/tuning-workbench-1366x768.png"
xdotool windowmove --sync "$bench" 0 0 windowsize --sync "$bench" 1600 1000
sleep 1
# A cell with samples (3000 rpm, load 40), so that they show on the charts.
xdotool mousemove --window "$bench" 1170 194 click 1
shot "$bench" tuning-workbench 2
xdotool windowsize --sync "$bench" 1366 768
shot "$bench" tuning-workbench-1366 2
