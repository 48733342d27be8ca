#!/bin/sh
# Writes the reference files of the written-files test: for every case of cases.txt, the demo
# stock is copied into a fresh directory, quorvane-batch runs there with the demo fields file and
# the case's fields, and every file the run writes (results file, minim.out, bootstrap files,
# temporary fleet files, and the tables beside the results file) is copied into the folder named
# after the case.
#
#   tests/data/reference/make_reference.sh path/to/quorvane-batch
#
# Run it only with a program whose written digits are known to be right: the test holds every
# later program to these bytes.
set -eu
batch=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

grep -v '^#' "$here/cases.txt" | while read -r name rest; do
  [ -n "$name" ] || continue
  set --
  for item in $rest; do
    case "$item" in
      boot=*) set -- "$@" --bootstrap "${item#boot=}" ;;
      *) set -- "$@" --set "$item" ;;
    esac
  done
  run="$work/$name"
  mkdir -p "$run"
  cp -r "$source_dir/demo" "$run/demo"
  (cd "$run" && "$batch" --fields demo/fields.txt "$@" > /dev/null)
  rm -rf "${here:?}/$name"
  mkdir -p "$here/$name"
  for f in "$run"/*; do
    [ -f "$f" ] && cp "$f" "$here/$name/"
  done
  cp -r "$run/output.out.tables" "$here/$name/"
  echo "$name: $(ls "$here/$name" | tr '\n' ' ')"
done
