#!/usr/bin/env bash
# Builds the Debian packages of QD-Atlas into build/packages/ and checks them with lintian:
#   qd-atlas, vantorusbd, libvantorusbdrv1, libvantorusbdrv-dev, qd-atlas-tools.
# Installs what is missing first (as the README's other commands do).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DBUILD_TESTING=OFF -DQDA_BENCH=OFF >/dev/null
cmake --build build/package -j "$(nproc)"
rm -rf build/packages
(cd build/package && cpack -G DEB -B "$PWD/../packages")
rm -rf build/packages/_CPack_Packages
echo
ls -1 build/packages/*.deb
echo
echo "lintian:"
lintian --fail-on error build/packages/*.deb || { echo "lintian reported errors" >&2; exit 1; }
