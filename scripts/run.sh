#!/usr/bin/env bash
# The main job: builds the plug-in and the simulated host, then loads the
# plug-in in the host and prints its registration data.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target tarvolk_aex tarvolk-host
build/host/tarvolk-host info
echo "No frame is rendered through the host yet: smart render is not built."
