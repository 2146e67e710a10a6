#!/usr/bin/env bash
# Installs the Debian 12 packages QD-Atlas needs to build, run and test, if any are missing.
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config ccache clang libclang-rt-14-dev
    qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools libgl1-mesa-dev
    libusb-1.0-0-dev libgtest-dev libgmock-dev libbenchmark-dev libqcustomplot-dev
    fonts-noto-cjk xvfb xauth xdotool imagemagick
    qt6-translations-l10n
    libudev-dev poppler-utils dpkg-dev fakeroot lintian python3
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
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
