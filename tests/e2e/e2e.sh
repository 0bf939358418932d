#!/usr/bin/env bash
# End-to-end test: the built quirra as its own process under Xvfb and
# openbox, against quirra-sim on a pty, worked only through the keyboard as
# a user works it. Afterwards it checks the emulator's wire trace and chip
# image and the files in the start directory.
#
# Usage: tests/e2e/e2e.sh BUILD_DIR
# Exit status 0 passed, 1 failed, 77 skipped (no X server could be started).
# Logs, the start directory and, after a failure, a picture of the screen
# stay in BUILD_DIR/e2e/.
#
# The steps run in the order of STEPS. Each step is a function step_<name>
# that starts and ends with the main window active and no dialog open, and
# updates the EXPECT_* values when it changes what the checks at the end
# should find.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?usage: e2e.sh BUILD_DIR}" && pwd)
source "$root/tools/xsession.sh"
art="$build/e2e"
xs_guard "${QUIRRA_E2E_TIMEOUT:-240}" "$art" "$0" "$@"
XS_NAME=e2e

STEPS=(startup buffer_edit exit)

start="$art/start"
link="$art/ttySIM"
rm -rf "$art"
mkdir -p "$start"
cp "$root/demo/quirra.dev" "$root/demo/quirra.cfg" "$root/demo/auto.cfg" "$start/"

MAIN=""                                 # the main window
WAIT=30                                 # seconds for any one wait
# The program's error boxes; none may show up in this run.
XS_ALARM='^(Communication Error|Communication Port Error|File Load Error|Device Error)$'
# What the checks at the end expect.
EXPECT_CFG="$art/expected-quirra.cfg"          # the three values Exit writes
tr ',' '\n' <"$start/quirra.cfg" | tr -d '\r ' | head -n 3 | sed 's/$/\r/' >"$EXPECT_CFG"
EXPECT_PC_FRAMES="01 54"                       # the probe, and nothing else
EXPECT_AUTO="$root/demo/auto.cfg"
EXPECT_CHIP="$art/expected-chip.bin"           # the start image, 64 KiB
{ cat "$root/demo/image.bin"; head -c $((65536 - $(stat -c %s "$root/demo/image.bin"))) /dev/zero | tr '\0' '\377'; } \
    >"$EXPECT_CHIP"

# ---- steps ---------------------------------------------------------------

# The programmer answers the probe: one "Quirra" box (Device Version 2.1),
# after the splash has gone.
step_startup() {
    xs_start_sim "$build" "$link" "$art" --image "$root/demo/image.bin"
    xs_start_quirra "$build" "$start" "$link" "$art"
    xs_pass_version_box "$WAIT" check_version_box
    MAIN=$XS_MAIN
}
check_version_box() {
    xs_no_window '^About Quirra$' || xs_fail "the splash is still up behind the version box"
    grep -q ' DEV \(.. \)\{9\}..$' "$art/wire.log" || xs_fail "no 10-byte reply to the probe on the wire"
}

# Buffer > Edit opens the hex view with the caret on address 0. Typing a5
# changes the view; going back and typing ff brings back the very same
# picture; a5 again leaves 0xA5 at address 0 for the steps that follow.
step_buffer_edit() {
    local pic="$art/main"
    xs_wait_still "$MAIN" "$pic-empty.png" "$WAIT" "the main window"
    xs_keys "$MAIN" alt+b e
    xs_wait_changed "$MAIN" "$pic-empty.png" "$WAIT" "the hex view" "$pic-view.png"
    xs_keys "$MAIN" a 5
    xs_wait_changed "$MAIN" "$pic-view.png" "$WAIT" "the typed byte"
    xs_keys "$MAIN" Left Left f f Left Left
    xs_wait_looks_like "$MAIN" "$pic-view.png" "$WAIT" "the view with FF typed back"
    xs_keys "$MAIN" a 5
    xs_wait_changed "$MAIN" "$pic-view.png" "$WAIT" "the byte typed again"
}

# File > Exit ends the program, which writes quirra.cfg anew.
step_exit() {
    rm -f "$start/quirra.cfg"
    xs_keys "$MAIN" alt+f x
    xs_wait_quirra_end "$WAIT"
    MAIN=""
}

# ---- run -----------------------------------------------------------------

if ! xs_start_x "$art"; then
    echo "no X server could be started: $XS_SKIP_REASON" | tee "$art/SKIPPED"
    exit 77
fi
for XS_STEP in "${STEPS[@]}"; do
    began=$SECONDS
    "step_$XS_STEP"
    echo "e2e: $XS_STEP ok ($((SECONDS - began)) s)"
done
XS_STEP="checks"
xs_stop_sim

cmp -s "$start/quirra.cfg" "$EXPECT_CFG" ||
    xs_fail "quirra.cfg holds '$(od -An -c "$start/quirra.cfg" 2>/dev/null | xargs)', expected '$(od -An -c "$EXPECT_CFG" | xargs)'"
cmp -s "$start/auto.cfg" "$EXPECT_AUTO" || xs_fail "auto.cfg is not as expected"
pc_frames=$(sed -n 's/^[0-9.]* PC //p' "$art/wire.log")
[ "$pc_frames" = "$EXPECT_PC_FRAMES" ] || xs_fail "the program sent: $pc_frames; expected: $EXPECT_PC_FRAMES"
cmp -s "$art/chip.bin" "$EXPECT_CHIP" || xs_fail "the chip image is not as expected"
echo "e2e: PASSED"
