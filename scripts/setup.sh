#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running zq need.
# Only what is missing is installed; a second run does nothing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-translations-l10n
    qt6-webengine-dev qt6-webengine-dev-tools libqt6webenginecore6-bin
    qt6-base-private-dev
    libgl-dev zlib1g-dev
    libcpp-httplib-dev
    xvfb xauth x11-utils imagemagick xdotool
    fonts-noto-cjk
    curl librsvg2-bin
    clang libclang-rt-14-dev
    zip unzip
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq >/dev/null
$sudo apt-get install -y -qq "${missing[@]}" >/dev/null
