#!/usr/bin/env bash
# End-to-end test: the built quirra as its own process under Xvfb and
# openbox, against quirra-sim on a pty, worked only through the keyboard as
# a user works it: Device > Select, File > Load, Buffer > Edit, Program,
# Verify and Read, File > Save in both formats, Edit Auto and an Auto run,
# an S-record file loaded, a typed byte undone and the file saved again,
# the view's Go To, Find, Undo/Redo and Compare with File, File > Exit. Afterwards it checks the frames the emulator received, its
# chip, the saved files and the files in the start directory.
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

STEPS=(startup select_device load_hex buffer_edit functions save_files edit_auto auto_run srec_undo view_tools save_srec exit)

start="$art/start"
link="$art/ttySIM"
rm -rf "$art"
mkdir -p "$start"
cp "$root/demo/quirra.dev" "$root/demo/quirra.cfg" "$root/demo/auto.cfg" "$start/"
cp "$root/demo/image.hex" "$art/"
srec_cat "$art/image.hex" -intel -o "$art/image.s19" -motorola

# The program's error boxes; none may show up in this run.
XS_ALARM='^(Communication Error|Communication Port Error|File Load Error|Device Error)$'
# What the checks at the end expect.
EXPECT_CFG=$'1\r\n24\r\n5\r\n'               # port, device count, device
EXPECT_AUTO=$'4\r\n1\r\n2\r\n3\r\n4\r\n'       # as in demo/
EXPECT_WIRE=""                                 # what xs_frames reports
EXPECT_IMAGE="$art/expected-image.bin"         # the device's part of the buffer
EXPECT_CHIP="$art/expected-chip.bin"           # the emulator's 64 KiB at the end
{ printf '\xa5'; head -c 2048 "$root/demo/image.bin" | tail -c +2; } >"$EXPECT_IMAGE"
{ cat "$EXPECT_IMAGE"; head -c $((65536 - 2048)) /dev/zero | tr '\0' '\377'; } >"$EXPECT_CHIP"

# ---- steps ---------------------------------------------------------------

# The programmer, with a blank chip, answers the probe: one "Quirra" box
# (Device Version 2.1), after the splash has gone.
step_startup() {
    xs_start_sim "$build" "$link" "$art"
    xs_start_quirra "$build" "$start" "$link" "$art"
    xs_pass_version_box "$XS_WAIT" check_version_box
    EXPECT_WIRE="T"
}
check_version_box() {
    xs_no_window '^About Quirra$' || xs_fail "the splash is still up behind the version box"
    grep -q ' DEV \(.. \)\{9\}..$' "$XS_WIRE" || xs_fail "no 10-byte reply to the probe on the wire"
}

# From the 27C256 (entry 5) two down to the 28C16 EEPROM: 2 KiB, letter b.
step_select_device() {
    xs_open '^Select Device$' alt+d Return
    xs_close Down Down Return
    EXPECT_CFG=$'1\r\n24\r\n7\r\n'
}

# The HEX file loads with the options as preselected (Intel Hex, offsets 0)
# and opens the hex view.
step_load_hex() {
    xs_wait_still "$XS_MAIN" "$art/main-empty.png" "$XS_WAIT" "the main window"
    xs_file_command l "$art/image.hex"
    xs_close Return
    xs_wait_changed "$XS_MAIN" "$art/main-empty.png" "$XS_WAIT" "the hex view" "$art/main-view.png"
}

# Buffer > Edit opens the view afresh with the caret on address 0, where a5
# is typed (the saved files show where it went).
step_buffer_edit() {
    xs_menu alt+b e
    xs_wait_looks_like "$XS_MAIN" "$art/main-view.png" "$XS_WAIT" "the view opened afresh"
    xs_keys "$XS_MAIN" a 5
    xs_wait_changed "$XS_MAIN" "$art/main-view.png" "$XS_WAIT" "the typed byte"
}

# run_function ENDS KEY...: picks and runs a function in the function window
# and waits until the programmer has had ENDS closing "I" frames in all.
run_function() {
    xs_keys "$XS_WINDOW" "${@:2}"
    xs_wait_frames ' PC 01 49$' "$1" "the function to end"
}

# Program and Verify the blank chip, then Read it back, which closes the
# window.
step_functions() {
    xs_open '^Function$' alt+d Down Return
    run_function 1 Down Down Down Return
    run_function 2 Down Return
    run_function 3 Home Return
    xs_wait_gone '^Function$' "$XS_WAIT" "the function window after the Read"
    EXPECT_WIRE+=" b W >128 W I <128 I <128 I"
}

# Save as HEX and as binary; the options window preselects by the name.
step_save_files() {
    for name in saved.hex saved.bin; do xs_file_command s "$art/$name"; xs_close Return; done
}

# Adds Verify to the end of the sequence: select it, Tab to ">", press it,
# back to the list and Enter for OK.
step_edit_auto() {
    xs_open '^Edit Auto$' alt+o Return
    xs_close Down Down Down Tab space shift+Tab Return
    EXPECT_AUTO=$'5\r\n1\r\n2\r\n3\r\n4\r\n4\r\n'
}

# Auto: Erase, Blank, Program, Verify, Verify.
step_auto_run() {
    xs_open '^Function$' alt+d Down Return
    run_function 7 End Return
    xs_close Escape
    EXPECT_WIRE+=" b E <128 I W >128 W I <128 I <128 I"
}

# The S-record file srec_cat wrote loads with "Motorola S-Record"
# preselected by its name; a5 typed over its first byte is taken back with
# Ctrl+Z.
step_srec_undo() {
    xs_file_command l "$art/image.s19"
    xs_close Return
    xs_keys "$XS_MAIN" a 5 ctrl+z
}

# The view's tools by keyboard: Go To 07F0 and 5a typed there, undone and
# redone; Find "HELLO" (at 071D) and 00 typed over its first byte; Compare
# with File against the HEX file lists both places, Enter on the second
# shows it and 11 is typed there.
step_view_tools() {
    xs_keys "$XS_MAIN" ctrl+g
    xs_wait_window '^Go To$' "$XS_WAIT" "the Go To window"
    xs_close 7 f 0 Return
    xs_keys "$XS_MAIN" 5 a ctrl+z ctrl+y ctrl+f
    xs_wait_window '^Find$' "$XS_WAIT" "the Find window"
    xs_keys "$XS_WINDOW" ctrl+a
    xdotool type --clearmodifiers --delay 20 '"HELLO"'
    xs_close Return Escape
    xs_keys "$XS_MAIN" 0 0
    xs_open '^(Open)$' alt+b p
    xs_keys "$XS_WINDOW" ctrl+a
    xdotool type --clearmodifiers --delay 20 "$art/image.hex"
    xs_close Return
    xs_wait_window '^Quirra$' "$XS_WAIT" "the file options"
    xs_close Return
    xs_wait_window '^Compare with File$' "$XS_WAIT" "the comparison"
    xs_close Down Return Escape
    xs_keys "$XS_MAIN" 1 1
}

# The device's range saved as S-records.
step_save_srec() {
    xs_file_command s "$art/saved.s19"
    xs_close Return
}

# File > Exit ends the program, which writes quirra.cfg anew.
step_exit() {
    rm -f "$start/quirra.cfg"
    xs_menu alt+f x
    xs_wait_quirra_end "$XS_WAIT"
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

got=$(cat "$start/quirra.cfg" "$start/auto.cfg" | od -An -c | tr -s ' \n' ' ')
want=$(printf %s "$EXPECT_CFG$EXPECT_AUTO" | od -An -c | tr -s ' \n' ' ')
[ "$got" = "$want" ] || xs_fail "quirra.cfg and auto.cfg hold:$got; expected:$want"
[ "$(xs_frames)" = "$EXPECT_WIRE" ] || xs_fail "the program sent: $(xs_frames); expected: $EXPECT_WIRE"
cmp "$art/chip.bin" "$EXPECT_CHIP" || xs_fail "the chip image is not as expected"
cmp "$art/saved.bin" "$EXPECT_IMAGE" || xs_fail "the binary file is not as expected"
srec_cat "$art/saved.hex" -intel -o "$art/saved-hex.bin" -binary || xs_fail "the HEX file does not read back"
cmp "$art/saved-hex.bin" "$EXPECT_IMAGE" || xs_fail "the HEX file is not as expected"
srec_cat "$art/saved.s19" -motorola -o "$art/saved-srec.bin" -binary || xs_fail "the S-record file does not read back"
head -c 2048 "$root/demo/image.bin" >"$art/expected-srec.bin"
printf '\x00' | dd of="$art/expected-srec.bin" bs=1 seek=$((0x71D)) conv=notrunc status=none
printf '\x11' | dd of="$art/expected-srec.bin" bs=1 seek=$((0x7F0)) conv=notrunc status=none
cmp "$art/saved-srec.bin" "$art/expected-srec.bin" || xs_fail "the S-record file is not as expected"
! grep -E '^(Q[A-Za-z]+(::|:)|qt\.)' "$art/quirra.log" || xs_fail "the window program gave Qt warnings"
echo "e2e: PASSED"
