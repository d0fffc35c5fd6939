#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=build-asan
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTAMSEL_SANITIZE=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"

# Every fuzz target for a short, bounded time on its seed corpus.
scripts/fuzz.sh 20
