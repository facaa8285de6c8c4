#!/usr/bin/env bash
# Installs the Debian packages beamdeck needs to build, run and test.
# Idempotent: does nothing (and says nothing) when everything is present.
set -euo pipefail

PACKAGES=(
  cmake g++ make pkg-config
  qtbase5-dev qtbase5-dev-tools qtdeclarative5-dev qtquickcontrols2-5-dev
  libqt5svg5 libqt5svg5-dev hershey-fonts-data libhersheyfont-dev zlib1g-dev
  qml-module-qtquick2 qml-module-qtquick-window2 qml-module-qtquick-layouts
  qml-module-qtquick-controls qml-module-qtquick-controls2 qml-module-qtquick-templates2
  qml-module-qtquick-dialogs qml-module-qtquick-privatewidgets qml-module-qtgraphicaleffects
  qml-module-qtqml-models2 qml-module-qt-labs-folderlistmodel qml-module-qt-labs-settings
  fonts-wqy-microhei qttranslations5-l10n
  xvfb xauth libgl1-mesa-dri
  librsvg2-bin
  desktop-file-utils shared-mime-info libxml2-utils dpkg-dev
  clang-format
)
if [ "${BEAMDECK_FUZZ_DEPS:-0}" = 1 ]; then
  PACKAGES+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then SUDO="sudo"; else
    echo "error: need root (or sudo) to install: ${missing[*]}" >&2; exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
