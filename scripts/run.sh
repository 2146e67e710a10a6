#!/usr/bin/env bash
# Installs what is missing, builds QD-Atlas (release) and runs it.
# The main window is not built yet: this runs qd-atlas-cli on a demo task instead.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DQDA_BENCH=OFF >/dev/null
cmake --build build/release -j "$(nproc)"
bin=build/release/bin
demo=$(mktemp -d)
trap 'rm -rf "$demo"' EXIT
echo "The QD-Atlas main window is not built yet; running qd-atlas-cli on a demo task instead."
echo "\$ qd-atlas-cli settings defaults -o $demo/default.qdt"
"$bin/qd-atlas-cli" settings defaults -o "$demo/default.qdt"
echo "\$ qd-atlas-cli settings check $demo/default.qdt"
"$bin/qd-atlas-cli" settings check "$demo/default.qdt" && echo "(exit 0: the file would be adopted)"
echo "--- first lines of the default settings file:"
head -n 20 "$demo/default.qdt"
