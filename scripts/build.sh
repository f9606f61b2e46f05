#!/usr/bin/env bash
# Configures and builds Velmora in Release into build/ (or the folder given as $1).
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build}"
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$dir" -j "$(nproc)"
