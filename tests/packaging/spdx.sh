#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# scripts/spdx.sh on a small tree: --check lists the files without the licence line and
# changes nothing; a run adds the line in the right place and form, keeps the rest of
# each file and its mode, and leaves other files alone; a second run changes nothing.
#
#   spdx.sh SPDX-SCRIPT
set -uo pipefail
script="$1"
tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT
status=0
fail() { echo "FAIL $*"; status=1; }
id="SPDX-License-Identifier: GPL-3.0-or-later"

cd "$tree"
mkdir -p src/logdata sim tests/cli bench fuzz scripts .ci data build/src cmake
printf '#include "logdata/Log.h"\n\nint f() { return 1; }\n' >src/logdata/Log.cpp
printf '#pragma once\nint f();\n' >src/logdata/Log.h
printf '// %s\n#pragma once\n' "$id" >sim/Stamped.h
printf 'int main() {}\n' >tests/cli/tst_x.cpp
printf 'int b;\n' >bench/b.cpp
printf 'int z;' >fuzz/no_newline.cpp
printf 'cmake_minimum_required(VERSION 3.21)\nproject(X)\n' >CMakeLists.txt
printf 'add_subdirectory(logdata)\n' >src/CMakeLists.txt
printf 'set(A 1)\n' >cmake/Extra.cmake
printf '#!/usr/bin/env bash\necho run\n' >scripts/run.sh
chmod 755 scripts/run.sh
printf '#!/bin/sh\n# %s\necho stamped\n' "$id" >scripts/stamped.sh
printf '#!/usr/bin/env bash\nscripts/run.sh\n' >.ci/run
chmod 755 .ci/run
# Not source files of the project: left as they are.
printf 'int data;\n' >data/sample.cpp
printf 'int generated;\n' >build/src/moc.cpp
printf 'add_test(x)\n' >build/CMakeLists.txt
printf '# Title\n' >README.md

snapshot() { find . -type f ! -name '*.snap' -print0 | sort -z | xargs -0 sha1sum; }
lacking=".ci/run
CMakeLists.txt
bench/b.cpp
cmake/Extra.cmake
fuzz/no_newline.cpp
scripts/run.sh
src/CMakeLists.txt
src/logdata/Log.cpp
src/logdata/Log.h
tests/cli/tst_x.cpp"

# --check: the list, status 1, nothing changed.
before=$(snapshot)
listed=$("$script" --check "$tree" 2>/dev/null | sort)
check_status=${PIPESTATUS[0]}
[ "$check_status" -eq 1 ] || fail "--check on a tree lacking lines: status $check_status, not 1"
[ "$listed" = "$lacking" ] || fail "--check listed:
$listed
instead of:
$lacking"
[ "$(snapshot)" = "$before" ] || fail "--check changed files"

# The run.
"$script" "$tree" >/dev/null || fail "the run failed"
first() { head -n 1 "$1"; }
second() { sed -n 2p "$1"; }
[ "$(first src/logdata/Log.cpp)" = "// $id" ] || fail "Log.cpp: first line $(first src/logdata/Log.cpp)"
[ "$(tail -n +2 src/logdata/Log.cpp)" = "$(printf '#include "logdata/Log.h"\n\nint f() { return 1; }')" ] ||
  fail "Log.cpp: the rest of the file changed"
[ "$(first src/logdata/Log.h)" = "// $id" ] || fail "Log.h: first line"
[ "$(second src/logdata/Log.h)" = "#pragma once" ] || fail "Log.h: second line"
[ "$(cat fuzz/no_newline.cpp)" = "$(printf '// %s\nint z;' "$id")" ] || fail "no_newline.cpp: $(cat fuzz/no_newline.cpp)"
[ "$(first CMakeLists.txt)" = "# $id" ] || fail "CMakeLists.txt: first line"
[ "$(first cmake/Extra.cmake)" = "# $id" ] || fail "Extra.cmake: first line"
[ "$(first scripts/run.sh)" = "#!/usr/bin/env bash" ] || fail "run.sh: the #! line moved"
[ "$(second scripts/run.sh)" = "# $id" ] || fail "run.sh: second line $(second scripts/run.sh)"
[ "$(sed -n 3p scripts/run.sh)" = "echo run" ] || fail "run.sh: third line"
[ -x scripts/run.sh ] || fail "run.sh is no longer executable"
[ "$(second .ci/run)" = "# $id" ] || fail ".ci/run: second line"
[ "$(grep -c SPDX sim/Stamped.h)" -eq 1 ] || fail "Stamped.h stamped twice"
[ "$(grep -c SPDX scripts/stamped.sh)" -eq 1 ] || fail "stamped.sh stamped twice"
for f in data/sample.cpp build/src/moc.cpp build/CMakeLists.txt README.md; do
  grep -q SPDX "$f" && fail "$f is not a source file of the project, yet was stamped"
done
[ -z "$(find . -name '*.spdx-tmp')" ] || fail "temporary files left behind"

# Again: nothing to do.
after=$(snapshot)
out=$("$script" "$tree") || fail "the second run failed"
[ -z "$out" ] || fail "the second run changed: $out"
[ "$(snapshot)" = "$after" ] || fail "the second run changed files"
"$script" --check "$tree" >/dev/null 2>&1 || fail "--check on the stamped tree: status $?"

[ $status -eq 0 ] && echo "ok   spdx.sh: check, stamp, again"
exit $status
