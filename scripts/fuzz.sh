#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs them one after another.
#   scripts/fuzz.sh                 60 seconds per target
#   scripts/fuzz.sh 600             600 seconds per target
#   scripts/fuzz.sh -runs=10000000  a number of executions per target
#   scripts/fuzz.sh 300 fuzz_settings fuzz_modulereplies   only these targets
# The corpus grows in build-fuzz/corpus/<target>, seeded from the test fixtures, the data
# folder and fuzz/corpus/<target>; findings are written to build-fuzz/findings/<target>/.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QERO_FUZZ_BUILD_DIR:-$here/build-fuzz}"

limit="${1:-60}"
[ $# -gt 0 ] && shift
if [[ "$limit" == -runs=* ]]; then
  limit_flag="$limit"
else
  limit_flag="-max_total_time=$limit"
fi
all=(fuzz_configfile fuzz_settings fuzz_logfile fuzz_charttemplate fuzz_framdecoder
     fuzz_modulereplies fuzz_msl fuzz_mlg fuzz_csvlog
     fuzz_tunefile fuzz_csvsamples fuzz_recording fuzz_tabletext fuzz_workbenchsetup)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all[@]}")

launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
if [ ! -f "$build/CMakeCache.txt" ]; then
  CXX=clang++ CC=clang cmake -S "$here" -B "$build" -G Ninja -DQERO_BUILD_FUZZ=ON \
    -DQERO_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
fi
ninja -C "$build" "${targets[@]}"

# Seeds: the files the tests already use for each reader.
seed() { # target, files...
  local dir="$build/corpus/$1"
  shift
  mkdir -p "$dir"
  for f in "$@"; do [ -f "$f" ] && cp -n "$f" "$dir/" || true; done
}
seed fuzz_configfile "$here"/tests/app/data/*.cfg "$here"/data/examples/*
seed fuzz_logfile "$here"/tests/*/data/*.log
seed fuzz_charttemplate "$here"/data/*.oc2 "$here"/tests/chart/data/*.oc2
seed fuzz_settings
seed fuzz_framdecoder
seed fuzz_modulereplies
seed fuzz_msl
seed fuzz_mlg
seed fuzz_csvlog
seed fuzz_tunefile
seed fuzz_csvsamples
seed fuzz_recording
seed fuzz_tabletext
seed fuzz_workbenchsetup

max_len() {
  case "$1" in
    fuzz_logfile) echo 600000 ;;
    fuzz_framdecoder) echo 70000 ;;
    # Past a few kilobytes a text or binary log only repeats rows the fuzzer has seen.
    fuzz_msl | fuzz_mlg | fuzz_csvlog | fuzz_csvsamples | fuzz_recording) echo 16384 ;;
    # A settings file holds 16 short lines; longer inputs only slowed each run down.
    fuzz_settings) echo 1024 ;;
    *) echo 4096 ;;
  esac
}

# ASan records a stack for every allocation. With the default 30 frames the settings target
# kept adding new ones to the stack depot, which then took a third of the time: its speed
# fell from 1200 to 450 runs/s within 1.6 million runs. Three frames keep the speed and
# still say where a block came from; replay a finding with ASAN_OPTIONS= for full stacks.
export ASAN_OPTIONS="${ASAN_OPTIONS:-malloc_context_size=3}"
# UndefinedBehaviorSanitizer reports and goes on by default, so a report would pass as a
# clean run: it stops the run and saves its input instead.
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"

status=0
for t in "${targets[@]}"; do
  findings="$build/findings/$t"
  mkdir -p "$findings"
  extra=()
  [ -f "$here/fuzz/$t.dict" ] && extra+=("-dict=$here/fuzz/$t.dict")
  # Nearly every settings run ends holding more heap blocks than it started with (the
  # settings code keeps some between uses), so libFuzzer would stop to scan the whole heap
  # for leaks after each one: ten times slower. The sanitizer test run looks for leaks.
  [ "$t" = fuzz_settings ] && extra+=(-detect_leaks=0)
  [ -d "$here/fuzz/corpus/$t" ] && extra+=("$here/fuzz/corpus/$t")
  echo "== $t ($limit_flag)"
  # Runs in this shell, one target at a time: the machine is shared.
  set +e
  nice -n 10 "$build/fuzz/$t" "$limit_flag" -max_len="$(max_len "$t")" -timeout=30 \
    -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$findings/" \
    "$build/corpus/$t" "${extra[@]}" >"$build/findings/$t.log" 2>&1
  rc=$?
  set -e
  grep -E '^(stat::number_of_executed_units|stat::average_exec_per_sec|SUMMARY)' \
    "$build/findings/$t.log" || true
  if [ $rc -ne 0 ]; then
    echo "   finding in $t: see $findings and $build/findings/$t.log"
    status=1
  fi
done
exit $status
