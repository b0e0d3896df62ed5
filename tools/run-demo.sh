#!/usr/bin/env bash
# Installs what is missing, builds, prepares a demo working directory and runs ZOLT in it,
# talking to the tester simulator on a pseudo-terminal.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
"$root/tools/setup.sh" "$build"

demo=${ZOLT_DEMO_DIR:-$root/demo}
"$root/tools/prepare-demo.sh" "$build" "$demo"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "ZOLT is a desktop program and there is no display here (DISPLAY is not set)."
    echo "Run this command from a desktop session, or under a virtual display:"
    echo "    xvfb-run -s '-screen 0 1280x1024x24' bash tools/run-demo.sh"
    exit 1
fi

sim=$build/bin/zolt-tester-sim
sim_pid=
if [ -x "$sim" ]; then
    rm -f "$demo/tester.pty"
    "$sim" --fs "$demo/tester/FN0" --pty "$demo/tester.pty" --baud 19200 &
    sim_pid=$!
    trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null; wait 2>/dev/null || true' EXIT
    for _ in $(seq 50); do [ -e "$demo/tester.pty" ] && break; sleep 0.1; done
    echo "Tester simulator serving $demo/tester/FN0 on $(readlink "$demo/tester.pty")"
    # The port dialog lists the simulator beside the machine's USB adapters, with a stable
    # name as a real adapter has in /dev/serial/by-id.
    mkdir -p "$demo/serial-by-id"
    ln -sfn ../tester.pty "$demo/serial-by-id/usb-Velanto_Tester_Simulator-if00"
    devices=$demo/tester.pty
    for d in /dev/ttyUSB* /dev/ttyACM*; do [ -e "$d" ] && devices+=":$d"; done
    export ZOLT_SERIAL_DEVICES=${ZOLT_SERIAL_DEVICES:-$devices}
    export ZOLT_SERIAL_BY_ID=${ZOLT_SERIAL_BY_ID:-$demo/serial-by-id}
fi

if [ -x "$build/bin/ZOLT" ]; then
    cd "$demo"
    "$build/bin/ZOLT"
else
    echo "Built so far (in $build/bin):"
    ls "$build/bin"
fi
