#!/usr/bin/env bash
# The one list of system packages; installs only what is missing.
#   scripts/deps.sh          what the build, the tests and the Debian package need
#   scripts/deps.sh --dev    also the README's screenshot tools
set -euo pipefail

PACKAGES=(
  cmake make g++ ninja-build ccache pkg-config
  qt6-base-dev qt6-multimedia-dev qt6-svg-dev libqt6sql6-sqlite libqt6svg6
  postgresql libqt6sql6-psql libpq-dev
  libsqlite3-dev sqlite3 libical-dev libgtest-dev libgmock-dev libbenchmark-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  fonts-dejavu-core fonts-liberation fonts-urw-base35 fontconfig
  poppler-utils
  dpkg-dev file appstream desktop-file-utils
  clang libclang-rt-14-dev
  clang-format
)
if [ "${1:-}" = "--dev" ]; then
  PACKAGES+=(xvfb xauth imagemagick xdotool)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
