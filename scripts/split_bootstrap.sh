#!/usr/bin/env bash
# Splits an independent bootstrap over many jobs and joins the parts into the files of one whole
# run. Every part runs the main estimation and then its own share of the replicates; because a
# replicate's numbers depend only on the seed and its number, the joined files are byte for byte
# those of a single run with all replicates.
#
#   split_bootstrap.sh part K PARTS RUNS WORKDIR OUTDIR [quorvane-batch options...]
#       run part K (1..PARTS) of RUNS replicates in OUTDIR/partK, a copy of WORKDIR made of
#       links to its files (a Slurm array task passes K=$SLURM_ARRAY_TASK_ID)
#   split_bootstrap.sh join PARTS OUTDIR
#       concatenate the parts' search logs, bootstrap files and bootfailed.out into OUTDIR, and
#       copy the results file and its tables from part 1
#   split_bootstrap.sh all PARTS RUNS WORKDIR OUTDIR [quorvane-batch options...]
#       run every part (with GNU parallel when installed, otherwise xargs -P), then join
#
# The options are those of a whole run without --bootstrap, --bootstrap-kind and --replicates,
# e.g. --fields demo/fields.txt --seed 7 --threads 1; a part runs inside its folder, so file names
# are relative to the working directory. QUORVANE_BATCH names the program
# (default: quorvane-batch on the PATH). The tables of part 1 summarise its replicates only.
set -euo pipefail

batch="${QUORVANE_BATCH:-quorvane-batch}"
self="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/$(basename "${BASH_SOURCE[0]}")"
joined=(minim.out bootS1.out bootS2.out bootf.out bootTSB.out bootNtrm.out bootSSB.out bootm.out
        bootfailed.out)

usage() { sed -n '2,20p' "$self" >&2; exit 2; }

part() {
  local k="$1" parts="$2" runs="$3" workdir="$4" outdir="$5"
  shift 5
  (( k >= 1 && k <= parts && parts <= runs )) || usage
  # Replicates first..last of part k: the runs shared out as evenly as they go.
  local first=$(( (k - 1) * runs / parts + 1 )) last=$(( k * runs / parts ))
  local dir="$outdir/part$k"
  rm -rf "$dir"
  mkdir -p "$dir"
  cp -rs "$(cd "$workdir" && pwd)/." "$dir/"
  (cd "$dir" && "$batch" --bootstrap "$runs" --bootstrap-kind independent \
    --replicates "$first-$last" --quiet "$@" >part.log)
}

join() {
  local parts="$1" outdir="$2" name k
  for name in "${joined[@]}"; do
    [[ -f "$outdir/part1/$name" ]] || continue
    : >"$outdir/$name"
    for (( k = 1; k <= parts; ++k )); do cat "$outdir/part$k/$name" >>"$outdir/$name"; done
  done
  # The results file and its tables: every part writes the same main run.
  for name in "$outdir"/part1/*; do
    if [[ -e "$outdir/$(basename "$name")" ]]; then continue; fi
    case "$(basename "$name")" in
      part.log | *.tmp) ;;
      *.tables) cp -r "$name" "$outdir/" ;;
      *) if [[ -f "$name" && ! -L "$name" ]]; then cp "$name" "$outdir/"; fi ;;
    esac
  done
}

all() {
  local parts="$1" runs="$2" workdir="$3" outdir="$4"
  shift 4
  mkdir -p "$outdir"
  if command -v parallel >/dev/null; then
    seq 1 "$parts" | parallel --halt now,fail=1 "$self" part {} "$parts" "$runs" "$workdir" \
      "$outdir" "$@"
  else
    seq 1 "$parts" | xargs -P "$(nproc)" -I{} "$self" part {} "$parts" "$runs" "$workdir" \
      "$outdir" "$@"
  fi
  join "$parts" "$outdir"
}

[[ $# -ge 1 ]] || usage
command="$1"
shift
case "$command" in
  part) [[ $# -ge 5 ]] || usage; part "$@" ;;
  join) [[ $# -eq 2 ]] || usage; join "$@" ;;
  all) [[ $# -ge 4 ]] || usage; all "$@" ;;
  *) usage ;;
esac
