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
    clang libclang-rt-14-dev clang-format clang-tidy
    g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64 nsis locales
    zip unzip
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
# Node.js runs the ECMAScript 5 check of the stand-in service's pages. Where a Node.js is there
# already (nodesource's brings its own npm) it is kept: Debian's npm would replace it.
if ! command -v node >/dev/null 2>&1; then
    missing+=(nodejs npm)
fi
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq >/dev/null
    $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# Wine takes the ANSI code page of the Windows tests from the Unix locale: zh_CN.UTF-8 gives
# code page 936, as on a Chinese Windows.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf-\?8'; then
    echo "setup: generating the zh_CN.UTF-8 locale"
    if grep -q '^# *zh_CN.UTF-8 UTF-8' /etc/locale.gen; then
        $sudo sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
    elif ! grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen; then
        echo 'zh_CN.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    fi
    $sudo locale-gen >/dev/null
fi

# The parser that check runs on, as the lockfile pins it; installed again only when the lockfile
# is not the one node_modules was installed from.
es5check="$(cd "$(dirname "$0")" && pwd)/es5check"
if ! cmp -s "$es5check/package-lock.json" "$es5check/node_modules/.zq-installed-lock.json"; then
    echo "setup: installing the ECMAScript 5 check's parser (npm ci in scripts/es5check)"
    (cd "$es5check" && npm ci --silent --no-audit --no-fund)
    cp "$es5check/package-lock.json" "$es5check/node_modules/.zq-installed-lock.json"
fi
