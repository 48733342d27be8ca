#!/usr/bin/env bash
# Configures and builds everything into build/ at the top of the repository (or into
# $QUORVANE_BUILD_DIR when it is set). Every part is required: a missing Qt part stops the
# configure step with the Debian package to install named.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QUORVANE_BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -G Ninja -DQUORVANE_REQUIRE_GUI=ON
cmake --build "$build" -j "$(nproc)"
