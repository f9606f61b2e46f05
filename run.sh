#!/usr/bin/env bash
# Installs what is missing, builds in Release and starts Velmora on the sample network.
# Without a display, run it as:  xvfb-run -a -s "-screen 0 1600x1000x24" ./run.sh
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh build
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No hay pantalla (DISPLAY vacío). Para arrancar Velmora sin escritorio:"
  echo "  xvfb-run -a -s \"-screen 0 1600x1000x24\" ./run.sh"
  exit 1
fi
if [ "$#" -gt 0 ]; then
  exec build/velmora "$@"
fi
exec build/velmora samples/ejemplo.dat
