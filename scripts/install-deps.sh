#!/usr/bin/env bash
# Installs the Debian packages Tamsel needs that are not there yet.
# Usage: scripts/install-deps.sh [extra packages...]
set -euo pipefail

packages=(
  cmake g++ make pkg-config          # build
  libgtest-dev                       # unit tests
  clang libclang-rt-14-dev           # Clang build and libFuzzer
  qt6-base-dev qt6-charts-dev libgl-dev  # the window
  fonts-ipafont-gothic               # Japanese captions on Linux
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
