#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer) in build/fuzz and runs them.
#
#   scripts/fuzz.sh TARGET SECONDS   one target (e.g. "lobby"), for a long run
#   scripts/fuzz.sh --all SECONDS    every target, in parallel; the short run
#                                    after the test suite
#   scripts/fuzz.sh --list           the target names
#
# Seeds and regression inputs are read from fuzz/corpora/<target>; what a run
# learns goes to build/fuzz/corpus/<target>, a finding to
# build/fuzz/findings/. Any finding fails the run. ZORBEL_FUZZ_JOBS sets how
# many targets run at once (default: the number of processors);
# ZORBEL_FUZZ_NO_BUILD=1 runs the targets as they are built.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=build/fuzz
targets=$(sed -n 's/^zorbel_fuzz(\([a-z]*\) .*/\1/p' fuzz/CMakeLists.txt)

if [[ ${1:-} == --list ]]; then
  echo "$targets"
  exit 0
fi
if [[ $# -ne 2 || ! $2 =~ ^[0-9]+$ ]]; then
  echo "usage: scripts/fuzz.sh TARGET|--all SECONDS" >&2
  exit 2
fi

if [[ ${ZORBEL_FUZZ_NO_BUILD:-} != 1 ]]; then
  export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-$(command -v ccache || true)}
  CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DZORBEL_FUZZ=ON -DZORBEL_TESTS=OFF -DZORBEL_BENCH=OFF >/dev/null
  cmake --build "$build" --target fuzz_all
fi

run_one() {
  local target=$1 seconds=$2
  local work=$build/corpus/$target
  mkdir -p "$work" "$build/findings"
  local log=$build/findings/$target.log
  # A finding is written as build/fuzz/findings/<target>-crash-<sha1> (or
  # leak-, timeout-, oom-); libFuzzer then ends with a non-zero status.
  if ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
     LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0 \
     UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
     "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
       -dict="fuzz/dict/$target.dict" -artifact_prefix="$build/findings/$target-" \
       -print_final_stats=1 "$work" "fuzz/corpora/$target" >"$log" 2>&1; then
    echo "$target: $(grep -m1 'stat::number_of_executed_units' "$log" | awk '{print $2}') executions in ${seconds}s, no finding"
  else
    echo "$target: FINDING (log $log)"
    grep -E 'ERROR|fuzz check failed|SUMMARY|Test unit written' "$log" | head -8 | sed 's/^/  /'
    return 1
  fi
}
export -f run_one
export build root

if [[ $1 == --all ]]; then
  jobs=${ZORBEL_FUZZ_JOBS:-$(nproc)}
  # shellcheck disable=SC2086
  printf '%s\n' $targets | xargs -P "$jobs" -I{} bash -c 'run_one "$@"' _ {} "$2"
else
  grep -qx "$1" <<<"$targets" || { echo "unknown target $1; one of:" $targets >&2; exit 2; }
  run_one "$1" "$2"
fi
