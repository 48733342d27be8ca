#!/usr/bin/env bash
# Installs what is missing, builds, and runs the default assessment on the bundled demo stock,
# then draws its charts. The run happens in build/demo-run/, a copy of the demo data, so the
# repository stays clean.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QUORVANE_BUILD_DIR:-$root/build}"
bash "$root/scripts/deps.sh"
bash "$root/scripts/build.sh"

run="$build/demo-run"
rm -rf "$run"
mkdir -p "$run"
cp -r "$root/demo" "$run/demo"
"$build/cli/quorvane-batch" --workdir "$run"
echo
echo "Results: $run/output.out"
echo "Search log: $run/minim.out"
# Drawn without a display when there is none.
"$build/plot/quorvane-plot" "$run/output.out.tables" --out "$run/plots" >/dev/null
echo "Charts: $run/plots/"
