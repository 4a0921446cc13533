#!/usr/bin/env bash
# Installs the dependencies, configures, builds and runs every test.
#   scripts/test.sh             normal build in build/ (shared with scripts/run.sh)
#   scripts/test.sh --sanitize  address+undefined sanitizer build in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
build_dir=build
if [ "${1:-}" = "--sanitize" ]; then
  build_dir=build-asan
  cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Debug -DTARVOLK_WERROR=ON -DTARVOLK_SANITIZE=ON
else
  # The configuration scripts/run.sh uses too.
  bash scripts/configure.sh
fi
cmake --build "$build_dir" -j "$(nproc)"
cd "$build_dir"
ctest --output-on-failure -j "$(nproc)"
