#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Velmora needs.
# Idempotent: does nothing when everything is already there.
# It also generates the es_ES.UTF-8 locale: the tests check that a Spanish decimal comma never
# changes a number the program reads or writes.
# The independent readers the tests use (ezdxf, ogrinfo, 7z, pdftoppm) are Debian's and run
# under /usr/bin/python3, not a python3 that may come first on PATH.
set -euo pipefail
PACKAGES="cmake g++ pkg-config ninja-build ccache qt6-base-dev qt6-base-dev-tools qt6-svg-dev
 qt6-webengine-dev qt6-translations-l10n libshp-dev libgif-dev libjpeg-dev zlib1g-dev libuemf-dev libgtest-dev
 libbenchmark-dev xvfb xauth fonts-dejavu-core fonts-liberation2 fonts-noto-mono libgl1-mesa-dri zip unzip python3
 python3-ezdxf python3-cryptography locales gdal-bin p7zip-full poppler-utils clang-14 libfuzzer-14-dev libclang-rt-14-dev hyperfine imagemagick"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "Instalando paquetes:$missing"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
fi
if ! locale -a 2>/dev/null | grep -qix 'es_ES\.utf-\?8'; then
  echo "Generando la configuración regional es_ES.UTF-8"
  if grep -q '^# *es_ES\.UTF-8 UTF-8' /etc/locale.gen; then
    $SUDO sed -i 's/^# *\(es_ES\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  elif ! grep -q '^es_ES\.UTF-8 UTF-8' /etc/locale.gen; then
    echo 'es_ES.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen > /dev/null
  fi
  $SUDO locale-gen
fi
