#!/usr/bin/env bash
# Installs what is missing, builds, and runs Quirra in build/demo/ (a copy of
# demo/, made on first use) against the programmer emulator quirra-sim.
set -euo pipefail
source "$(dirname "$0")/tools/common.sh"
headless=0
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    headless=1
    quirra_install_missing xvfb xauth
else
    quirra_install_missing
fi

build="$QUIRRA_ROOT/build/release"
QUIRRA_TARGETS="quirra quirra-sim quirra-cli" quirra_build "$build"

demo="$QUIRRA_ROOT/build/demo"
if [ ! -d "$demo" ]; then
    cp -r "$QUIRRA_ROOT/demo" "$demo"
fi
# The emulated chip keeps its contents from run to run.
[ -f "$demo/chip.bin" ] || cp "$demo/image.bin" "$demo/chip.bin"

# The port the demo configuration names (line 1 of quirra.cfg), COM1 if unclear.
port=$(head -n 1 "$demo/quirra.cfg" 2>/dev/null | tr -d '\r ' || true)
case "$port" in ''|*[!0-9]*) port=1 ;; esac
[ "$port" -ge 1 ] && [ "$port" -le 255 ] || port=1

link="$demo/ttyQUIRRA"
log="$demo/sim.log"
"$build/sim/quirra-sim" --link "$link" --image "$demo/chip.bin" --dump "$demo/chip.bin" \
    --trace "$demo/wire.log" --pace 57600 >"$log" 2>&1 </dev/null &
sim=$!
stop_sim() {
    kill -TERM "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
}
trap stop_sim EXIT
trap 'exit 130' INT TERM

for _ in $(seq 1 100); do
    grep -q '^ready' "$log" 2>/dev/null && break
    kill -0 "$sim" 2>/dev/null || { cat "$log" >&2; exit 1; }
    sleep 0.05
done
grep -q '^ready' "$log" || { echo "quirra-sim did not start" >&2; exit 1; }

export "QUIRRA_COM$port=$link"
cd "$demo"
echo "Quirra runs in $demo against quirra-sim on COM$port ($link)."
if [ "$headless" -eq 1 ]; then
    echo "No display: running under Xvfb. Press Ctrl+C to end."
    xvfb-run -a "$build/quirra"
else
    "$build/quirra"
fi
