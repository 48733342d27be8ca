#!/usr/bin/env bash
# Builds the computation, the batch runner and the tests with AddressSanitizer and
# UndefinedBehaviorSanitizer into a separate build directory (build-sanitize/ at the top of the
# repository, or $QUORVANE_SANITIZE_BUILD_DIR) and runs the whole test suite there. Any report
# of either sanitizer fails the run. The window program and the benchmarks are left out.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QUORVANE_SANITIZE_BUILD_DIR:-$root/build-sanitize}"
bash "$root/scripts/deps.sh"

# -O1 with line tables only keeps the build short and the reports readable. Assertions are off,
# as in the program that is shipped: the sanitizers check that program.
cmake -S "$root" -B "$build" -G Ninja -DQUORVANE_SANITIZE=ON -DQUORVANE_APP=OFF \
  -DQUORVANE_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG"
cmake --build "$build" -j "$(nproc)"

# The tests also start quorvane-batch as a separate program; it inherits these settings.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
