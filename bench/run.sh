#!/usr/bin/env bash
# Benchmarks: builds the corpora (about 200 MB each, not committed), a Release
# build with Google Benchmark, runs the library micro-benchmarks and the
# whole-process comparison against ripgrep and GNU grep (CP932 locale).
# Usage: bench/run.sh [MB, default 200]
set -euo pipefail
cd "$(dirname "$0")/.."
mb=${1:-200}

scripts/install-deps.sh libbenchmark-dev ripgrep time manpages-ja debian-reference-ja locales python3
if ! locale -a 2>/dev/null | grep -qi 'ja_JP.cp932'; then
  localedef -i ja_JP -f WINDOWS-31J ja_JP.CP932 2>/dev/null || \
    sudo localedef -i ja_JP -f WINDOWS-31J ja_JP.CP932
fi

python3 bench/make_corpus.py bench/corpus --mb "$mb"

build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTAMSEL_BENCH=ON -DTAMSEL_BUILD_TESTS=OFF \
  -DTAMSEL_BUILD_APP=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"

echo "== machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2), $(date -u +%F)"
if [ -x "$build/bench/tamsel_bench" ]; then
  "$build/bench/tamsel_bench" --benchmark_min_time=0.2
fi
for corpus in bench/corpus/real.txt bench/corpus/synth.txt; do
  python3 bench/compare.py "$build/cli/tamsel-grep" "$corpus" --runs 5
done
