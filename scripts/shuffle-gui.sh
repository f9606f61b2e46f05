#!/usr/bin/env bash
# Runs every GUI test executable of a build once more in one process, every test twice
# over in shuffled order, with each of two fixed seeds. ctest gives each test a process
# of its own, so state that one test leaves behind for the next (or for its own second
# run) shows only here.
#   scripts/shuffle-gui.sh [build-dir]
set -uo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build}"
seeds="${VELMORA_SHUFFLE_SEEDS:-4321 20261208}"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
logs="$(mktemp -d)"
trap 'rm -rf "$logs"' EXIT
pids=()
names=()
for exe in "$dir"/test_*_gui; do
    [ -x "$exe" ] || continue
    for seed in $seeds; do
        name="$(basename "$exe")-$seed"
        "$exe" --gtest_repeat=2 --gtest_shuffle --gtest_random_seed="$seed" > "$logs/$name.log" 2>&1 &
        pids+=("$!")
        names+=("$name")
    done
done
failed=0
for i in "${!pids[@]}"; do
    if wait "${pids[$i]}"; then
        echo "en orden aleatorio: ${names[$i]} correcto"
    else
        failed=1
        echo "en orden aleatorio: ${names[$i]} FALLA" >&2
        grep -E '^\[  FAILED  \]|Failure|^\.\./|Segmentation|Aborted' "$logs/${names[$i]}.log" | head -40 >&2
    fi
done
exit "$failed"
