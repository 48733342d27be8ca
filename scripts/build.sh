#!/usr/bin/env bash
# Configures and builds everything into build/ at the top of the repository (or into
# $QUORVANE_BUILD_DIR when it is set).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QUORVANE_BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -G Ninja
cmake --build "$build" -j "$(nproc)"
