#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run,
# and any further ones named as arguments (scripts/coverage.sh adds gcovr).
# Idempotent: apt-get skips what is already installed.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang-format
  libcairo2-dev libpixman-1-dev libpng-dev
  libglew-dev libegl-dev libgl-dev libegl-mesa0 libgl1-mesa-dri
  libtess2-tulip-5.4 libpolyclipping-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev fonts-dejavu-core
  "$@"
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
