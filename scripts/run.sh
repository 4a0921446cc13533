#!/usr/bin/env bash
# The main job: builds the plug-in and the simulated host, loads the plug-in
# in the host, renders the default scene (the word "Tarvolk" extruded with a
# gradient on its side walls, over its composition's background) through it
# and prints the picture's path.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/configure.sh
cmake --build build -j "$(nproc)" --target tarvolk_aex tarvolk-host
build/tarvolk-host render -o "$PWD/build/tarvolk.png"
