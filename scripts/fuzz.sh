#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang, AddressSanitizer and UndefinedBehaviorSanitizer
# into build-fuzz/ at the top of the repository (or $QUORVANE_FUZZ_BUILD_DIR), then runs each
# target for $QUORVANE_FUZZ_SECONDS seconds (default 20) from the seed corpus in fuzz/corpus/.
# New inputs go to the build directory, never into the repository; an input that makes a target
# fail is kept in <build>/artifacts/<target>/ and fails the script.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QUORVANE_FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${QUORVANE_FUZZ_SECONDS:-20}"
targets=(age_year_file survey_data fields_file)

bash "$root/scripts/deps.sh"
# deps.sh also brings clang and its runtime libraries, libFuzzer among them.

cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++
cmake --build "$build" -j "$(nproc)"

for t in "${targets[@]}"; do
  echo "== fuzzing ${t} for ${seconds} s"
  mkdir -p "$build/corpus/$t" "$build/artifacts/$t"
  "$build/${t}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
    -dict="$root/fuzz/numbers.dict" -artifact_prefix="$build/artifacts/$t/" \
    -print_final_stats=1 "$build/corpus/$t" "$root/fuzz/corpus/$t"
done
