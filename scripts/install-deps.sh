#!/usr/bin/env bash
# Installs the Debian packages that building, testing and the example need. Safe to run again.
# With arguments, installs those packages instead.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libpng-dev libstb-dev libimagequant-dev xvfb xauth xdotool
  libassimp-dev lib3ds-dev gl-117-data glmark2-data imagemagick
  clang libclang-rt-14-dev
  lintian desktop-file-utils
)
[ $# -eq 0 ] || packages=("$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
