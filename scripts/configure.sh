#!/usr/bin/env bash
# Configures build/ the one way scripts/run.sh and scripts/test.sh share, so
# that whichever runs second builds only what the first did not.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVOLK_WERROR=ON
