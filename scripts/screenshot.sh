#!/usr/bin/env bash
# Starts Velmora under Xvfb on a network, waits, and saves a screenshot of the screen.
# Usage: scripts/screenshot.sh [network.dat] [out.png] [seconds]
# Needs ImageMagick's "import" (apt-get install imagemagick).
set -euo pipefail
cd "$(dirname "$0")/.."
net="${1:-samples/ejemplo.dat}"
out="${2:-/tmp/velmora.png}"
wait="${3:-6}"
xvfb-run -a -s "-screen 0 1600x1000x24" bash -c "
  build/velmora '$net' & pid=\$!
  sleep $wait
  import -window root '$out'
  kill \$pid 2>/dev/null || true
"
echo "$out"
