#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Puts the licence identifier at the top of every source file that lacks it:
#   // SPDX-License-Identifier: GPL-3.0-or-later   first line of .cpp and .h files
#                                                  under src/ sim/ tests/ bench/ fuzz/
#   # SPDX-License-Identifier: GPL-3.0-or-later    CMakeLists.txt, .cmake and .sh files
#                                                  and the scripts in scripts/ and .ci/
#                                                  (after the #! line where there is one)
#
#   scripts/spdx.sh            adds the line where it is missing (running it again changes
#                              nothing)
#   scripts/spdx.sh --check    only lists the files that lack it; exit status 1 if any do
#   scripts/spdx.sh [--check] DIR   works on the tree in DIR instead of this checkout
set -euo pipefail

check=0
if [ "${1:-}" = "--check" ]; then
  check=1
  shift
fi
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
cd "$root"

id="SPDX-License-Identifier: GPL-3.0-or-later"

# Every candidate file, NUL-separated, without the build folders and Git's own files.
candidates() {
  local dirs=()
  for d in src sim tests bench fuzz; do [ -d "$d" ] && dirs+=("$d"); done
  if [ ${#dirs[@]} -gt 0 ]; then
    find "${dirs[@]}" -type f \( -name '*.cpp' -o -name '*.h' \) -print0
  fi
  find . \( -name .git -o -name 'build*' -o -name .cache \) -prune -o -type f \
    \( -name CMakeLists.txt -o -name '*.cmake' -o -name '*.sh' \) -print0
  # Scripts without an extension: those starting with a shell's #! line.
  for d in scripts .ci; do
    [ -d "$d" ] || continue
    find "$d" -type f ! -name '*.*' -print0 | while IFS= read -r -d '' f; do
      if head -n 1 "$f" | grep -Eq '^#!.*(ba|da|z)?sh'; then printf '%s\0' "$f"; fi
    done
  done
}

comment_for() {
  case "$1" in
    *.cpp | *.h) echo "// $id" ;;
    *) echo "# $id" ;;
  esac
}

# True when the file already carries the identifier on its first line, or on the line
# after its #! line.
has_id() {
  local f="$1" first second
  first=$(head -n 1 "$f")
  second=$(sed -n 2p "$f")
  [[ "$first" == *"$id"* ]] && return 0
  [[ "$first" == '#!'* && "$second" == *"$id"* ]] && return 0
  return 1
}

stamp() {
  local f="$1" line tmp
  line=$(comment_for "$f")
  tmp="$f.spdx-tmp"
  if [[ "$f" != *.cpp && "$f" != *.h ]] && [[ "$(head -n 1 "$f")" == '#!'* ]]; then
    { head -n 1 "$f"; printf '%s\n' "$line"; tail -n +2 "$f"; } >"$tmp"
  else
    { printf '%s\n' "$line"; cat "$f"; } >"$tmp"
  fi
  # Keep the file's mode (scripts stay executable).
  chmod --reference="$f" "$tmp"
  mv "$tmp" "$f"
}

missing=0
seen=""
while IFS= read -r -d '' f; do
  f="${f#./}"
  # A file can be found twice (a .sh under tests/, say); handle it once.
  case "$seen" in *$'\n'"$f"$'\n'*) continue ;; esac
  seen+=$'\n'"$f"$'\n'
  has_id "$f" && continue
  missing=$((missing + 1))
  if [ $check -eq 1 ]; then
    printf '%s\n' "$f"
  else
    stamp "$f"
    printf 'spdx: %s\n' "$f"
  fi
done < <(candidates)

if [ $check -eq 1 ] && [ $missing -gt 0 ]; then
  echo "spdx: $missing file(s) lack the line '$id' (scripts/spdx.sh adds it)" >&2
  exit 1
fi
exit 0
