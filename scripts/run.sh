#!/usr/bin/env bash
# Installs what is missing, builds QD-Atlas (release) and runs qd-atlas.
#
# Without a controller (the default) the program talks to the simulator qd-atlas-sim: COM1 is the
# simulator's pseudo-terminal (QDA_COM1) and USB reaches it through a private vantorusbd (its socket
# in a temporary VANTORUSB_SOCKET_DIR), so both interfaces of the PC communication dialog work.
# The simulator and the daemon are stopped when the program exits.
#
#   ./scripts/run.sh [qd-atlas arguments]            with the simulator
#   QDA_CONTROLLER=1 ./scripts/run.sh [arguments]    with a real controller (see README)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DQDA_BENCH=OFF >/dev/null
cmake --build build/release -j "$(nproc)" --target qd-atlas qd-atlas-sim vantorusbd qd-atlas-cli
bin=build/release/bin

if [ "${QDA_CONTROLLER:-0}" = "1" ]; then
    exec "$bin/qd-atlas" "$@"
fi

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# The simulator keeps running when its standard input ends.
"$bin/qd-atlas-sim" --link "$work/com1" --usb-socket "$work/usb" </dev/null >"$work/sim.out" 2>"$work/sim.err" &
pids+=($!)
for _ in $(seq 50); do [ -e "$work/com1" ] && [ -S "$work/usb" ] && break; sleep 0.1; done
if [ ! -e "$work/com1" ]; then
    echo "qd-atlas-sim did not start:" >&2
    cat "$work/sim.err" >&2
    exit 1
fi
mkdir -m 700 "$work/sock"
VANTORUSB_SOCKET_DIR="$work/sock" "$bin/vantorusbd" --sim "$work/usb" >"$work/usbd.out" 2>"$work/usbd.err" &
pids+=($!)
for _ in $(seq 50); do [ -S "$work/sock/VantorUSB_U-0" ] && break; sleep 0.1; done

echo "qd-atlas runs against qd-atlas-sim: COM1 = $(readlink "$work/com1"), USB through vantorusbd."
QDA_COM1="$work/com1" VANTORUSB_SOCKET_DIR="$work/sock" "$bin/qd-atlas" "$@"
