#!/usr/bin/env bash
# Installs, with apt-get, the packages the build, the tests and the Debian packages need that are
# not installed yet (Debian 12, run as root). Installed without recommended packages, so every
# part is named here: Qt Charts' CMake files need Qt OpenGL's (libqt6opengl6-dev); cpack needs
# dpkg-shlibdeps (dpkg-dev) and file to compute the packages' library dependencies.
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev libbenchmark-dev
  qt6-base-dev qt6-charts-dev qt6-svg-dev libqt6opengl6-dev
  clang libclang-rt-14-dev
  dpkg-dev file man-db fonts-liberation)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} > 0)); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
