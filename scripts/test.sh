#!/usr/bin/env bash
# Installs the dependencies, configures, builds and runs every test.
#   scripts/test.sh             normal build in build/
#   scripts/test.sh --sanitize  address+undefined sanitizer build in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build
cmake_args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVOLK_WERROR=ON)
if [ "${1:-}" = "--sanitize" ]; then
  build_dir=build-asan
  cmake_args=(-DCMAKE_BUILD_TYPE=Debug -DTARVOLK_WERROR=ON -DTARVOLK_SANITIZE=ON)
fi

bash scripts/install-deps.sh
cmake -S . -B "$build_dir" "${cmake_args[@]}"
cmake --build "$build_dir" -j "$(nproc)"
cd "$build_dir"
ctest --output-on-failure -j "$(nproc)"
