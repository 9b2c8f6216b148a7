#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The bash completion of qero4d-cli, called as bash calls it (COMP_WORDS, COMP_CWORD),
# in a folder holding one file of every kind the commands take.
#
#   completion.sh QERO4D-CLI COMPLETION-FILE
set -uo pipefail
cli="$1" completion="$2"
export QT_QPA_PLATFORM=offscreen
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir runs
touch drive.log other.LOG map.csv chart.png page.pdf notes.txt memory.bin
# shellcheck source=/dev/null
source "$completion"
status=0

# complete WORD... : the sorted completions of the last word, space-separated.
complete_words() {
    COMP_WORDS=("$cli" "$@")
    COMP_CWORD=$#
    COMPREPLY=()
    _qero4d_cli 2>/dev/null
    printf '%s\n' "${COMPREPLY[@]}" | grep . | sort -u | tr '\n' ' ' | sed 's/ $//'
}

expect() { # expect "EXPECTED" WORD...
    local want="$1" got
    shift
    got=$(complete_words "$@")
    if [ "$got" = "$want" ]; then
        echo "ok   qero4d-cli $*|"
    else
        echo "FAIL qero4d-cli $*|"
        echo "     expected: $want"
        echo "     got:      $got"
        status=1
    fi
}

# The commands are those the program lists.
commands=$("$cli" --help | awk '/^Commands:/ { on = 1; next } on && NF == 0 { exit } on { print $1 }' |
    sort | tr '\n' ' ' | sed 's/ $//')
expect "--help --version $commands" ""
expect "table tune" t
expect "download" dow

# Options: those of the command the line began with.
expect "--help --port --yes" erase --
expect "--json" info --j
expect "--format" tune --for
expect "--delay-curve --delay-ms" tune --del
expect "--min-rpm --min-weight" tune x.log --min-

# Values of the options that take one of a few words.
expect "csv json text" tune --format ""
expect "csv json text" table drive.log --format ""
expect "csv log" convert drive.log --to ""
expect "1 2" table --sensor ""
expect "1 2 both" tune --sensor ""
expect "afr1 afr2" chart --trace2 afr
expect "bilinear nearest" tune --weighting ""
expect "E10 E85 Ethanol" fuel --port 1 --fuel E
expect "brightness= debounce= interval= pulses=" params --set ""
# chart's --to is a time: nothing to offer, and not convert's formats.
expect "" chart drive.log --to ""
expect "" live --count ""

# File names of the kind each argument takes, and folders to go into.
expect "drive.log other.LOG runs" info ""
expect "drive.log other.LOG runs" chart ""
expect "chart.png page.pdf runs" chart drive.log -o ""
expect "chart.png page.pdf runs" chart drive.log --output ""
expect "map.csv runs" convert drive.log --to csv -o ""
expect "drive.log other.LOG runs" convert drive.log --to log -o ""
expect "drive.log map.csv other.LOG runs" tune ""
expect "drive.log other.LOG runs" download --port 1 -o ""
expect "map.csv runs" live --port 1 --record ""
expect "chart.png drive.log map.csv memory.bin notes.txt other.LOG page.pdf runs" decode ""
# An option without a value leaves the next word to the command's files.
expect "drive.log other.LOG runs" info --json ""
# After "--" every word is a file, even one starting with a dash.
touch -- -dash.log
expect "-dash.log" info -- -

# The help is read once per shell and command, not on every Tab.
printf '#!/bin/sh\necho "$*" >>"%s/calls"\nexec "%s" "$@"\n' "$work" "$cli" >"$work/counted-cli"
chmod +x "$work/counted-cli"
for _ in 1 2 3; do
    COMP_WORDS=("$work/counted-cli" tune --fo)
    COMP_CWORD=2
    _qero4d_cli 2>/dev/null
done
calls=$(grep -c '^tune --help$' "$work/calls")
if [ "$calls" = 1 ] && [ "${COMPREPLY[*]}" = "--format" ]; then
    echo "ok   qero4d-cli tune --help read once for three completions"
else
    echo "FAIL qero4d-cli tune --help read $calls times for three completions (${COMPREPLY[*]})"
    status=1
fi
exit $status
