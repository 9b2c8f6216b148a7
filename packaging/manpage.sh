#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes a program's manual page from its own --help with help2man, and the page
# compressed as a package installs it.
#
#   manpage.sh [--commands] OUT.1 VERSION "NAME LINE" PROGRAM [INCLUDE...]
#
# --commands: PROGRAM dispatches to commands listed under "Commands:" in its --help
# (qero4d-cli); the page then has a COMMANDS section with every command's own --help,
# options and all, and a line in EXIT STATUS naming the commands whose help says more
# about their exit status. INCLUDE files are help2man include files (extra sections).
# Writes OUT.1 and OUT.1.gz.
set -euo pipefail

commands=0
if [ "${1:-}" = "--commands" ]; then
  commands=1
  shift
fi
out="$1" version="$2" name="$3" program="$4"
shift 4
includes=()
for f in "$@"; do includes+=(--include "$f"); done

# --help needs no display, but the Qt programs must not try to reach one.
export QT_QPA_PLATFORM=offscreen
# A sanitizer build makes its pages too; a leak report at exit is not the page's business.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
# The same page from the same sources on every build (help2man dates the page).
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  here="$(cd "$(dirname "$0")/.." && pwd)"
  SOURCE_DATE_EPOCH=$(git -C "$here" log -1 --format=%ct 2>/dev/null || date +%s)
  export SOURCE_DATE_EPOCH
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

h2m=(help2man --no-info --section=1 --version-string="$version")

if [ $commands -eq 1 ]; then
  list=$("$program" --help 2>/dev/null | awk '/^Commands:/ { on = 1; next } on && NF == 0 { exit }
                                   on { print $1 }')
  if [ -z "$list" ]; then
    echo "manpage.sh: no commands found in $program --help" >&2
    exit 1
  fi
  base="$(basename "$program")"
  # The command's usage lines (the first line and those indented under it) are set as
  # they are written; help2man would run them together into one paragraph.
  cat >"$work/usage.awk" <<'AWK'
NR == 1 { usage = 1 }
usage && NR > 1 && !/^[ \t]/ { usage = 0 }
WANT == "usage" && usage { print }
WANT == "rest" && !usage { print }
AWK
  printf '#!/bin/sh\n"$1" "$2" --help 2>/dev/null | awk -v WANT=rest -f "%s"\n' "$work/usage.awk" >"$work/rest"
  chmod +x "$work/rest"
  {
    echo "[COMMANDS]"
    for c in $list; do
      printf '.SS "%s %s"\n' "$base" "$c"
      echo ".nf"
      "$program" "$c" --help 2>/dev/null | awk -v WANT=usage -f "$work/usage.awk" |
        sed -E 's/^[Uu]sage: *//; s/^[ \t]+/  /; s/\\/\\e/g; s/-/\\-/g; s/^[.'"'"']/\\\&&/'
      echo ".fi"
      # The rest of the command's help turned into a page by help2man, then its
      # sections folded into this one subsection: headings become paragraphs, the page
      # header goes.
      "${h2m[@]}" --name=x "$work/rest $program $c" | awk '
        /^\.\\"/ || /^\.TH / { next }
        /^\.SH NAME/ { skip = 1; next }
        skip && /^\.SH / { skip = 0 }
        skip { next }
        /^\.SH / { print ".PP"; next }
        /^\.SS / { sub(/^\.SS /, ""); gsub(/"/, ""); print ".PP"; print "\\fI" $0 "\\fR"; next }
        { print }'
    done
    echo
    echo "[EXIT STATUS]"
    echo "Every command exits with status 0 when it has done its work, 1 when it failed"
    echo "(the reason is on standard error) and 2 on wrong usage: an unknown command or"
    echo "option, a missing or malformed argument."
    said=()
    for c in $list; do
      if "$program" "$c" --help 2>&1 | grep -qi 'exit status'; then said+=("\\fB$c\\fR"); fi
    done
    if [ ${#said[@]} -gt 0 ]; then
      echo ".PP"
      echo "The help of these commands, under COMMANDS, says what each status means for it:"
      echo "$(IFS=,; echo "${said[*]}" | sed 's/,/, /g')."
    fi
  } >"$work/commands.h2m"
  includes+=(--include "$work/commands.h2m")
fi

"${h2m[@]}" --name="$name" "${includes[@]}" --output="$work/page.1" "$program"
# help2man writes a page even from an empty help; a page without options is a failure.
if ! grep -q '^\.SH OPTIONS\|^\.SH DESCRIPTION' "$work/page.1"; then
  echo "manpage.sh: $program --help gave no description or options" >&2
  exit 1
fi
mv "$work/page.1" "$out"
gzip -9 -n -c "$out" >"$out.gz"
