#!/usr/bin/env bash
# Takes the pictures of Quirra's windows that the README shows (docs/*.png):
# builds, then runs the program under a private X server against quirra-sim
# and pictures each window in the state a user sees it in.
#
# Usage: tools/screenshots.sh [BUILD_DIR]
#
# Each picture is a function shot_<name> in SHOTS, which writes
# docs/<name>.png. It starts with the main window ($MAIN) active and no
# dialog open, and leaves it so; xs_keys, xs_wait_window and shoot do the
# work.
set -euo pipefail
source "$(dirname "$0")/common.sh"
source "$QUIRRA_ROOT/tools/xsession.sh"

SHOTS=(main-window)

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
WAIT=30

# shoot WINDOW NAME: docs/NAME.png, a picture of WINDOW with its frame, once
# it has stopped changing.
shoot() {
    xs_wait_still "$1" "$work/$2.png" "$WAIT" "$2"
    timeout 20 import -frame -window "$1" "$docs/$2.png" 2>/dev/null || xs_fail "no picture of $2"
    echo "docs/$2.png"
}

# The main window with the hex view after a few bytes were typed in.
shot_main-window() {
    xs_keys "$MAIN" alt+b e
    xs_keys "$MAIN" 4 1 4 2 4 3 Left Left Left Left Left Left
    shoot "$MAIN" main-window
}

xs_start_x "$work" || xs_fail "no X server: $XS_SKIP_REASON"
xs_start_sim "$build" "$work/ttySIM" "$work" --image "$QUIRRA_ROOT/demo/image.bin"
xs_start_quirra "$build" "$start" "$work/ttySIM" "$work"
xs_pass_version_box "$WAIT"
MAIN=$XS_MAIN
for XS_STEP in "${SHOTS[@]}"; do
    "shot_$XS_STEP"
done
xs_keys "$MAIN" alt+f x
xs_wait_quirra_end "$WAIT"
