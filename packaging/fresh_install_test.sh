#!/usr/bin/env bash
# Installs the two Debian packages, built from BUILD_DIR, on a fresh minimal Debian 12 root with
# apt, as a user would: quorvane-cli first, alone, which must bring no Qt library; then runs a
# copy of the installed demo as the README says; then quorvane, and draws the demo's charts with
# the installed plotter. Needs root and takes minutes (the root is built and apt downloads the
# libraries), so it is not part of the tests that ctest runs.
#
#   packaging/fresh_install_test.sh BUILD_DIR
#
# The fresh root comes from ../shared/tools/fresh-machine.sh beside the repository (or
# $QUORVANE_FRESH_MACHINE).
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "$1" && pwd)"
tool="${QUORVANE_FRESH_MACHINE:-$repo/../shared/tools/fresh-machine.sh}"
[[ -x "$tool" ]] || { echo "no fresh-machine tool at $tool"; exit 2; }

carry="$(mktemp -d)"
trap 'rm -rf "$carry"' EXIT
(cd "$build" && cpack -G DEB -B "$carry/pack") >"$carry/cpack.log" 2>&1 ||
  { cat "$carry/cpack.log"; echo "FAILED: cpack -G DEB"; exit 1; }
mv "$carry"/pack/*.deb "$carry/"
rm -rf "$carry/pack" "$carry/cpack.log"

# What runs inside the fresh root, from the packages carried in as ../shared.
cat >"$carry/inside.sh" <<'INSIDE'
set -euo pipefail
fail() { echo "FAILED: $*"; exit 1; }
debs="$(cd ../shared && pwd)"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "$debs"/quorvane-cli_*.deb
if dpkg-query -W -f='${Package}\n' | grep -i 'qt'; then fail "quorvane-cli brought Qt"; fi
for p in quorvane-batch quorvane-import quorvane-sim; do "$p" --version; done

work="$(mktemp -d)"
cd "$work"
cp -r /usr/share/quorvane/demo .
quorvane-batch --fields demo/fields.txt
[[ -s output.out ]] || fail "the demo run wrote no results file"

apt-get install -y -q --no-install-recommends "$debs"/quorvane_*.deb
quorvane-plot --version
quorvane-plot output.out.tables --out plots
[[ -s plots/ssb.png ]] || fail "no SSB chart"
echo "fresh install: quorvane-cli without Qt, the demo run and its charts drawn"
INSIDE

"$tool" --shared "$carry" --ref "$(git -C "$repo" rev-parse HEAD)" --timeout 30 \
  --cmd 'bash ../shared/inside.sh' "$repo"
