#!/usr/bin/env bash
# Builds the libFuzzer targets with Clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each on its seed corpus.
# Usage: scripts/fuzz.sh [seconds per target, default 20] [target...]
# A longer run: scripts/fuzz.sh 1800
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
shift || true

build=build-fuzz
CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAMSEL_FUZZ=ON \
  -DTAMSEL_SANITIZE=ON -DTAMSEL_BUILD_TESTS=OFF -DTAMSEL_BUILD_APP=OFF >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_compile fuzz_match fuzz_grep fuzz_fastgrep)
  [ -f fuzz/fuzz_differential.cpp ] && targets+=(fuzz_differential)
fi
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for t in "${targets[@]}"; do
  work="$build/corpus/$t"
  mkdir -p "$work"
  [ -d "fuzz/seeds/$t" ] && cp -n fuzz/seeds/"$t"/* "$work"/ 2>/dev/null || true
  echo "== $t: ${seconds}s"
  log="$build/$t.log"
  if ! "$build/fuzz/$t" "$work" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 \
      -artifact_prefix="$build/$t-" -print_final_stats=1 >"$log" 2>&1; then
    cat "$log"
    echo "== $t FAILED; the input that shows it is $build/$t-*" >&2
    exit 1
  fi
  grep -E '^stat::(number_of_executed_units|new_units_added)|Done ' "$log" || tail -n 3 "$log"
done
