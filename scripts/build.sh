#!/usr/bin/env bash
# Configures and builds Velmora in Release into build/ (or the folder given as $1).
# VELMORA_JOBS limits the parallel compile jobs (default: every core).
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build}"
# Paths relative to the checkout, so several checkouts share one compiler cache.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(pwd)}"
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$dir" -j "${VELMORA_JOBS:-$(nproc)}"
