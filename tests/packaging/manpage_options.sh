#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A manual page names the same options as the program's --help: every option of the
# help is on the page and the page names no option the help lacks.
#
#   manpage_options.sh PAGE.1 PROGRAM              the page's synopsis, description
#                                                  and options against PROGRAM --help
#   manpage_options.sh PAGE.1 PROGRAM --commands   also, for every command under
#                                                  "Commands:", its subsection of the
#                                                  page against PROGRAM COMMAND --help
set -euo pipefail
page="$1" program="$2" commands="${3:-}"
export QT_QPA_PLATFORM=offscreen
status=0

# The options a text names: -x and --long-name, not parts of words (re-read, 0-100).
options() { grep -oE '(^|[^[:alnum:]_-])--?[[:alpha:]][[:alnum:]-]*' | sed -E 's/^[^-]//' | sort -u; }
# Roff as plain words: fonts, the zero-width marks and the escaped hyphens undone.
plain() { sed -E 's/\\f[BIRP]//g; s/\\f\(..//g; s/\\[,/&]//g; s/\\-/-/g; s/\\e/\\/g'; }
# The lines of the page from a heading matching $1 to the next heading ($2: .SH or
# .S[HS] for a subsection's end).
part() { awk -v start="$1" -v stop="$2" '
  $0 ~ start { on = 1; next }
  on && $0 ~ stop { on = 0 }
  on { print }' "$page"; }

compare() { # compare WHAT HELP-OPTIONS PAGE-OPTIONS
  local lacking extra
  lacking=$(comm -23 <(printf '%s\n' "$2") <(printf '%s\n' "$3") | grep . || true)
  extra=$(comm -13 <(printf '%s\n' "$2") <(printf '%s\n' "$3") | grep . || true)
  if [ -z "$2" ]; then
    echo "FAIL $1: the help names no option at all"
    status=1
  fi
  if [ -n "$lacking" ]; then
    echo "FAIL $1: the page lacks" $lacking
    status=1
  fi
  if [ -n "$extra" ]; then
    echo "FAIL $1: the page names options the help lacks:" $extra
    status=1
  fi
  [ -n "$lacking$extra" ] || echo "ok   $1: $(printf '%s\n' "$2" | wc -l) options"
}

help=$("$program" --help 2>/dev/null)
name=$(basename "$program")
# What help2man made of the help: the synopsis, description and options sections
# (not those the include files add).
generated=$(awk '/^\.SH / { on = ($2 == "SYNOPSIS" || $2 == "DESCRIPTION" || $2 == "OPTIONS"); next }
                 on { print }' "$page" | plain)
compare "$name" "$(options <<<"$help")" "$(options <<<"$generated")"

if [ "$commands" = "--commands" ]; then
  list=$(awk '/^Commands:/ { on = 1; next } on && NF == 0 { exit } on { print $1 }' <<<"$help")
  [ -n "$list" ] || { echo "FAIL $name: no commands in its --help"; exit 1; }
  for c in $list; do
    if ! grep -qx "\.SS \"$name $c\"" "$page"; then
      echo "FAIL $name $c: no subsection on the page"
      status=1
      continue
    fi
    section=$(part "^\\.SS \"$name $c\"\$" '^\.S[HS] ' | plain)
    compare "$name $c" "$("$program" "$c" --help 2>/dev/null | options)" "$(options <<<"$section")"
  done
  # No subsection for a command the program no longer has.
  while IFS= read -r c; do
    grep -qx "$c" <<<"$list" || { echo "FAIL $name $c: on the page, not in --help"; status=1; }
  done < <(sed -n "s/^\.SS \"$name \([^\"]*\)\"\$/\1/p" "$page")
  grep -q '^\.SH "EXIT STATUS"\|^\.SH EXIT STATUS' "$page" ||
    { echo "FAIL $name: no EXIT STATUS section"; status=1; }
fi
exit $status
