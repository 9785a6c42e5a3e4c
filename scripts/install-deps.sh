#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Tavoly need.
# Idempotent: the package lists are refreshed only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-svg-dev qt6-multimedia-dev libqt6svg6 qt6-image-formats-plugins
  libsqlcipher-dev sqlcipher
  libwmf-dev libemf2svg-dev
  libgtest-dev libbenchmark-dev
  clang
  xdg-utils locales curl
  xvfb xauth x11-utils xdotool imagemagick fonts-dejavu-core python3
  trayer desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
