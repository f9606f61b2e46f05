#!/usr/bin/env bash
# Launch of the real program as the user starts it, under Xvfb at 1920x1080: the
# time from starting the process to the first drawn map and the peak resident
# memory then, for a large network (berlin-center-truncated), a small one
# (siouxfalls) and none (the empty window: the program's own start) in the same
# run, side by side with their floors.
# Usage: bench/launch.sh [runs per network, default 7] [build folder, default build]
# The real networks come from $VELMORA_REAL_DATA (default: the shared data folder).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-7}
bin=$(cd "${2:-$root/build}" && pwd)/velmora
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$runs" "$(dirname "$bin")"
fi
# shellcheck source=bench/launch_common.sh
. "$root/bench/launch_common.sh"
launch() { launch_once "$bin" "$1"; }

launch siouxfalls > /dev/null # warm the file cache and the fonts
nets=(empty siouxfalls berlin-center-truncated)
for net in "${nets[@]}"; do
  : > "$work/$net.txt"
done
# Interleaved, so a busy moment of the machine weighs on every launch alike.
for ((i = 0; i < runs; i++)); do
  for net in "${nets[@]}"; do
    launch "$net" >> "$work/$net.txt"
  done
done

e_ms=$(cut -d' ' -f1 "$work/empty.txt" | median)
s_ms=$(cut -d' ' -f1 "$work/siouxfalls.txt" | median)
b_ms=$(cut -d' ' -f1 "$work/berlin-center-truncated.txt" | median)
e_kb=$(cut -d' ' -f2 "$work/empty.txt" | sort -n | tail -1)
s_kb=$(cut -d' ' -f2 "$work/siouxfalls.txt" | sort -n | tail -1)
b_kb=$(cut -d' ' -f2 "$work/berlin-center-truncated.txt" | sort -n | tail -1)
printf '%-26s %22s %16s\n' "network" "first drawn map (ms)" "peak RSS (MB)"
printf '%-26s %22s %16.1f\n' "(none: empty window)" "$e_ms" "$(echo "$e_kb / 1024" | bc -l)"
printf '%-26s %22s %16.1f\n' siouxfalls "$s_ms" "$(echo "$s_kb / 1024" | bc -l)"
printf '%-26s %22s %16.1f\n' berlin-center-truncated "$b_ms" "$(echo "$b_kb / 1024" | bc -l)"
printf 'median of %d launches each; peak = highest VmHWM at the first drawn map\n' "$runs"
printf 'launch ratio berlin/siouxfalls: %.2f (target 1.2)\n' "$(echo "$b_ms / $s_ms" | bc -l)"
printf 'launch ratio siouxfalls/empty window: %.2f (target 1.5)\n' "$(echo "$s_ms / $e_ms" | bc -l)"
printf 'peak RSS berlin: %.1f MB (floor 130)\n' "$(echo "$b_kb / 1024" | bc -l)"
