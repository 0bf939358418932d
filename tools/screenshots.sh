#!/usr/bin/env bash
# Takes the pictures of Quirra's windows that the README shows (docs/*.png):
# builds, then runs the program under a private X server against quirra-sim
# and pictures each window in the state a user sees it in.
#
# Usage: tools/screenshots.sh [BUILD_DIR]
#
# Each picture is a function shot_<name> in SHOTS, which writes
# docs/<name>.png. It starts with the main window ($XS_MAIN) active and no
# dialog open, and leaves it so; the helpers of xsession.sh and shoot do the
# work.
set -euo pipefail
source "$(dirname "$0")/common.sh"
source "$QUIRRA_ROOT/tools/xsession.sh"

SHOTS=(function-read main-window find file-options select-device settings)

build=$(mkdir -p "${1:-$QUIRRA_ROOT/build/release}" && cd "${1:-$QUIRRA_ROOT/build/release}" && pwd)
work="$build/screenshots"
docs="$QUIRRA_ROOT/docs"
start="$work/start"
rm -rf "$work"
mkdir -p "$start" "$docs"
quirra_install_missing $XS_PACKAGES fonts-dejavu-core
QUIRRA_TARGETS="quirra quirra-sim" quirra_build "$build"
xs_guard 600 "$work" "$0" "$@"
cp "$QUIRRA_ROOT/demo/quirra.dev" "$QUIRRA_ROOT/demo/quirra.cfg" "$QUIRRA_ROOT/demo/auto.cfg" "$start/"
# COM2 mapped to a USB serial adapter by its stable name, as Options >
# Settings writes it.
printf '2,"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"\r\n' >"$start/ports.cfg"

# shoot WINDOW NAME [now]: docs/NAME.png, a picture of WINDOW with its frame,
# once it has stopped changing (or at once).
shoot() {
    [ "${3:-}" = now ] || xs_wait_still "$1" "$work/$2.png" "$XS_WAIT" "$2"
    timeout 20 import -frame -window "$1" "$docs/$2.png" 2>/dev/null || xs_fail "no picture of $2"
    echo "docs/$2.png"
}

# The main window with the hex view of what the Read brought, after a few
# bytes were typed in.
shot_main-window() {
    xs_menu alt+b e
    xs_keys "$XS_MAIN" 4 1 4 2 4 3 Left Left Left Left Left Left
    shoot "$XS_MAIN" main-window
}

# Buffer > Find (Ctrl+F) beside the hex view, after a search for a text in
# the demo image has put the caret on it.
shot_find() {
    xs_keys "$XS_MAIN" ctrl+f
    xs_wait_window '^Find$' "$XS_WAIT" "the Find window"
    xdotool type --clearmodifiers --delay 20 '"CHIP"'
    xs_keys "$XS_WINDOW" Return
    shoot "$XS_WINDOW" find
    xs_close Escape
}

# File > Load with the demo HEX file: the options window as it opens, left
# with Cancel.
shot_file-options() {
    xs_file_command l "$QUIRRA_ROOT/demo/image.hex"
    shoot "$XS_WINDOW" file-options
    xs_close Escape
}

# Device > Select as it opens on the selected device, left with Cancel.
shot_select-device() {
    xs_open '^Select Device$' alt+d Return
    shoot "$XS_WINDOW" select-device
    xs_close Escape
}

# Options > Settings on COM2, which ports.cfg maps to a USB adapter; left
# with Cancel.
shot_settings() {
    xs_open '^Settings$' alt+o Down Return
    xs_keys "$XS_WINDOW" Down
    shoot "$XS_WINDOW" settings
    xs_close Escape
}

# Device > Function reading the demo chip (32 KiB) at the real line rate:
# the picture is taken at 40 % (820 of 2048 blocks), and the Read goes on to
# its end, which closes the window and opens the hex view.
shot_function-read() {
    xs_open '^Function$' alt+d Down Return
    xs_keys "$XS_WINDOW" Return
    xs_wait_frames ' PC 04 ' 820 "the Read to reach 40 %"
    shoot "$XS_WINDOW" function-read now
    xs_wait_gone '^Function$' "$XS_WAIT" "the end of the Read"
}

xs_start_x "$work" || xs_fail "no X server: $XS_SKIP_REASON"
xs_start_sim "$build" "$work/ttySIM" "$work" --image "$QUIRRA_ROOT/demo/image.bin" --pace 57600
xs_start_quirra "$build" "$start" "$work/ttySIM" "$work"
xs_pass_version_box "$XS_WAIT"
for XS_STEP in "${SHOTS[@]}"; do
    "shot_$XS_STEP"
done
xs_menu alt+f x
xs_wait_quirra_end "$XS_WAIT"
