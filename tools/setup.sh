#!/usr/bin/env bash
# Installs what the build needs (Debian packages) and builds ZOLT.
# Usage: tools/setup.sh [BUILD_DIR] [extra cmake arguments...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
shift || true

packages=(build-essential cmake pkg-config qt6-base-dev qt6-base-dev-tools qt6-serialport-dev
          libgl-dev libbenchmark-dev libmspack-dev libchm-dev fp-utils xvfb xauth imagemagick
          mscompress fonts-dejavu-core poppler-utils libx11-dev qt6-translations-l10n
          qt6-tools-dev libqt6opengl6-dev python3 scdoc desktop-file-utils appstream man-db
          bash-completion file)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=""
    [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
    $sudo_cmd apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$build" -j "$(nproc)"
