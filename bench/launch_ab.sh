#!/usr/bin/env bash
# Two builds' launches side by side, as bench/launch.sh times them (process start
# to the first drawn map under Xvfb at 1920x1080): the builds are alternated launch
# by launch in one run, so a busy moment of the machine weighs on both alike.
# Usage: bench/launch_ab.sh <build folder A> <build folder B> [launches per network, default 7]
# The real networks come from $VELMORA_REAL_DATA (default: the shared data folder).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -ge 2 ] || { echo "Uso: $0 <carpeta A> <carpeta B> [lanzamientos]" >&2; exit 1; }
binA=$(cd "$1" && pwd)/velmora
binB=$(cd "$2" && pwd)/velmora
runs=${3:-7}
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$(dirname "$binA")" "$(dirname "$binB")" "$runs"
fi
# shellcheck source=bench/launch_common.sh
. "$root/bench/launch_common.sh"
# One launch of a build on a network: prints the ms to its first drawn map.
launch() { launch_once "$1" "$2" | cut -d' ' -f1; }

nets=(siouxfalls berlin-center-truncated)
launch "$binA" siouxfalls > /dev/null # warm the file cache and the fonts
launch "$binB" siouxfalls > /dev/null
for ((i = 0; i < runs; i++)); do
  for b in A B; do
    bin=binA && [ $b = B ] && bin=binB
    for net in "${nets[@]}"; do
      launch "${!bin}" "$net" >> "$work/$b-$net.txt"
    done
  done
done

for b in A B; do
  s=$(median < "$work/$b-siouxfalls.txt")
  l=$(median < "$work/$b-berlin-center-truncated.txt")
  printf '%s: siouxfalls %s ms, berlin-center-truncated %s ms, ratio %.3f\n' "$b" "$s" "$l" "$(echo "$l / $s" | bc -l)"
done
printf 'median of %d launches each, A and B alternated\n' "$runs"
