#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test without a display.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh build
export QT_QPA_PLATFORM=offscreen
(cd build && ctest --output-on-failure --timeout 300 -j "$(nproc)")
# The GUI tests once more, each executable in one process, every test twice, shuffled
# with two seeds: state that leaks from one test into the next fails here.
scripts/shuffle-gui.sh build
# Every fuzz target once over its seeds and regression inputs, under the sanitizers.
scripts/fuzz.sh replay
