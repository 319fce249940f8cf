#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the generators need, only when one is missing.
set -euo pipefail
pkgs=(build-essential cmake pkg-config libsdl2-dev libpng-dev libgtest-dev libgmock-dev libbenchmark-dev
      libfreetype-dev fonts-dejavu-core xvfb xdotool x11-utils imagemagick libx11-dev desktop-file-utils)
missing=()
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
