#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them: every benchmark is repeated and its median
# reported (BENCHMARKS.md explains the figures). Not part of the tests.
#
#   scripts/bench.sh                        all benchmarks, 5 repetitions
#   scripts/bench.sh --benchmark_filter=Calcstock   any Google Benchmark option is passed on
#
# The build goes to build-bench/ (or $QUORVANE_BENCH_DIR). The 100-run bootstrap and the direct
# search at capacity take seconds per repetition; filter them out for a quick look.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QUORVANE_BENCH_DIR:-$root/build-bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVANE_APP=OFF > /dev/null
cmake --build "$build" --target quorvane_bench -j "$(nproc)"

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"
echo "Load average: $(cut -d' ' -f1-3 /proc/loadavg)"
"$build/bench/quorvane_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_display_aggregates_only=true "$@"
