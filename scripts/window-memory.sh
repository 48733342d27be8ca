#!/usr/bin/env bash
# The window program under load, on a virtual display (xvfb-run): its resident memory while
# Method 4 with the display on draws every evaluation, how long a stop (SIGTERM, which stops the
# run as STOP does) takes to write the results, and the memory of a 20-run bootstrap with the
# M scan. A benchmark, not a test: it prints the figures that BENCHMARKS.md records.
#
#   scripts/window-memory.sh [BUILD_DIR] [SECONDS]
#
# BUILD_DIR holds app/quorvane (default build/); each of the two runs is watched for SECONDS
# (default 120) at most, the bootstrap until its 20 runs are written (or 5 x SECONDS).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
seconds="${2:-120}"
exe="$build/app/quorvane"
[[ -x "$exe" ]] || { echo "window-memory.sh: no $exe (build the target quorvane)" >&2; exit 2; }
command -v xvfb-run > /dev/null || { echo "window-memory.sh: xvfb-run is needed" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status" 2> /dev/null || echo 0; }
now_ms() { date +%s%3N; }

# Runs the window program in $1 with the fields file $2 and further arguments; watches its
# memory until $5 seconds have passed or the file $3 has $4 lines; then stops it with SIGTERM.
watch_run() {
  local dir="$1" fields="$2" done_file="$3" done_lines="$4" limit="$5"
  shift 5
  xvfb-run -a "$exe" --workdir "$dir" --fields "$fields" --start "$@" > "$dir/stdout" 2>&1 &
  local runner=$!
  local pid=""
  for _ in $(seq 100); do
    pid="$(pgrep -n -f -- "--workdir $dir " || true)"
    [[ -n "$pid" && "$(cat "/proc/$pid/comm" 2> /dev/null)" == quorvane ]] && break
    pid=""
    sleep 0.1
  done
  [[ -n "$pid" ]] || { echo "the window program did not start" >&2; return 1; }
  local start peak=0 rss elapsed=0
  start="$(now_ms)"
  while kill -0 "$pid" 2> /dev/null; do
    rss="$(rss_kb "$pid")"
    ((rss > peak)) && peak=$rss
    elapsed=$((($(now_ms) - start) / 1000))
    ((elapsed >= limit)) && break
    if [[ -f "$done_file" ]] && (($(wc -l < "$done_file") >= done_lines)); then break; fi
    sleep 1
  done
  echo "  watched ${elapsed} s, peak resident memory $((peak / 1024)) MB"
  local sent
  sent="$(now_ms)"
  kill -TERM "$pid" 2> /dev/null || true
  until grep -q "Process was terminated by user" "$dir/output.out" 2> /dev/null ||
    ! kill -0 "$pid" 2> /dev/null; do
    sleep 0.02
  done
  local written
  written="$(now_ms)"
  wait "$runner" || true
  if grep -q "Process was terminated by user" "$dir/output.out" 2> /dev/null; then
    echo "  stop: results written $((written - sent)) ms after SIGTERM, program ended"
  else
    echo "  stop: program ended; output.out not written again (a bootstrap run, or the run was over)"
  fi
}

echo "Machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"

echo "Method 4 (Text6=4), display on, default stock"
mkdir -p "$work/m4" && cp -r "$root/demo" "$work/m4/demo"
{ cat "$root/demo/fields.txt"; echo "Text6=4"; echo "Text36=1"; } > "$work/m4/fields.txt"
watch_run "$work/m4" "$work/m4/fields.txt" /dev/null 1 "$seconds"

# The M scan by 0.04 (20 values of M by 17 of f): each run is 340 evaluations, so that the
# bootstrap is under way within the watch on a shared machine.
echo "20-run bootstrap with the M scan (Text3=1, M 0.01..0.8 by 0.04), display on"
mkdir -p "$work/boot" && cp -r "$root/demo" "$work/boot/demo"
{ cat "$root/demo/fields.txt"; echo "Text3=1"; echo "Text24=0.04"; echo "Text36=1"; } \
  > "$work/boot/fields.txt"
# bootf.out holds a header line and one line per finished run.
watch_run "$work/boot" "$work/boot/fields.txt" "$work/boot/bootf.out" 21 $((seconds * 5)) \
  --bootstrap 20
if [[ -f "$work/boot/bootf.out" ]]; then
  echo "  bootstrap runs finished: $(($(wc -l < "$work/boot/bootf.out") - 1)) of 20"
fi
