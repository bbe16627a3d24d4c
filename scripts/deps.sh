#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Brenvik need.
# Installs only what is missing, so it is quick and harmless to run again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libqt6opengl6-dev qt6-qpa-plugins
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  libx11-dev xvfb xauth fonts-dejavu-core locales imagemagick xdotool
  libegl-dev libegl-mesa0 desktop-file-utils dpkg-dev shared-mime-info
  assimp-utils
  libsimdjson-dev libzip-dev libdraco-dev libmeshoptimizer-dev libdeflate-dev
  g++-aarch64-linux-gnu qemu-user googletest
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
