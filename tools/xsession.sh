# shellcheck shell=bash
# Runs Quirra as a user sees it: under a private X server (Xvfb) with the
# openbox window manager, against quirra-sim on a pty, worked through the
# keyboard with xdotool and pictured with ImageMagick. Used by the
# end-to-end test and the screenshot script. Sourced, not run.
#
# Every wait has a time limit. A wait that runs out calls xs_fail, which
# names the step (XS_STEP) and ends the script; xs_guard then leaves a
# picture of the screen and shows the logs.

XS_PACKAGES="xvfb openbox xdotool x11-utils imagemagick"
XS_WINDOW=""        # the window found by the last xs_wait_window
XS_MAIN=""          # Quirra's main window
XS_APP_PID=""       # quirra, while it runs
XS_SIM_PID=""       # quirra-sim, while it runs
XS_PIDS=()          # the X server and the window manager
XS_DISPLAY=""       # the display of that X server

XS_STEP="setup"     # what the script is doing, for the failure report
XS_LOGS=""          # where logs go and a picture of a failure is left

xs_fail() {
    echo "${XS_NAME:-${0##*/}}: FAILED in step $XS_STEP: $*" >&2
    exit 1
}

# xs_guard SECONDS LOGDIR "$0" "$@": called first by a script that sources
# this file. The script runs under a time limit of SECONDS on top of the
# limit of every wait: then it stops as failed, with a picture of the
# screen; should that hang too, everything is killed a minute later. At any
# failure LOGDIR gets failed-<step>.png and the logs are shown; at every
# exit what was started here is stopped. Status 77 means skipped.
xs_guard() {
    local limit=$1
    XS_LOGS=$2
    shift 2
    if [ -z "${XS_GUARDED:-}" ]; then
        export XS_GUARDED=1
        exec timeout -k 10 $((limit + 60)) bash "$@"
    fi
    (trap 'kill "$nap" 2>/dev/null; exit 0' TERM; sleep "$limit" & nap=$!; wait "$nap" && kill -TERM $$) \
        >/dev/null 2>&1 &
    XS_WATCHDOG=$!
    trap xs_on_exit EXIT
    trap 'exit 143' TERM INT
    trap '' PIPE   # a closed output must not keep xs_on_exit from cleaning up
}

xs_on_exit() {
    local status=$? log
    trap - EXIT
    set +e
    if [ "$status" -ne 0 ] && [ "$status" -ne 77 ]; then
        [ "$status" -eq 143 ] && echo "time limit reached in step $XS_STEP" >&2
        xs_screen "$XS_LOGS/failed-$XS_STEP.png" && echo "screen at the failure: $XS_LOGS/failed-$XS_STEP.png" >&2
        for log in quirra.log sim.log wire.log; do
            [ -f "$XS_LOGS/$log" ] && { echo "---- $log (last lines)"; tail -n 15 "$XS_LOGS/$log"; } >&2
        done
    fi
    xs_stop_all
    kill "$XS_WATCHDOG" 2>/dev/null
    exit "$status"
}

# xs_until SECONDS WHAT COMMAND...: runs COMMAND every 0.1 s until it
# succeeds; fails with "WHAT" when SECONDS pass first.
xs_until() {
    local limit=$1 what=$2
    shift 2
    local deadline=$((SECONDS + limit))
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || xs_fail "$what: not within $limit s"
        sleep 0.1
    done
}

# True while process PID runs (a process that ended but was not yet waited
# for counts as ended).
xs_running() {
    [ -r "/proc/$1/stat" ] && ! grep -q '^[0-9]* ([^)]*) Z' "/proc/$1/stat" 2>/dev/null
}

# Stops PID: SIGTERM, up to 5 s, then SIGKILL.
xs_stop_pid() {
    local pid=$1 i
    kill -TERM "$pid" 2>/dev/null || return 0
    for i in $(seq 50); do
        xs_running "$pid" || break
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

# xs_start_x LOGDIR: starts Xvfb on a free display and openbox, and sets
# DISPLAY. Returns 1 with XS_SKIP_REASON set when that is not possible.
xs_start_x() {
    local dir=$1 tool fd
    XS_SKIP_REASON=""
    for tool in Xvfb openbox xdotool import compare; do
        command -v "$tool" >/dev/null 2>&1 || { XS_SKIP_REASON="$tool is not installed"; return 1; }
    done
    # Xvfb picks a free display and writes its number once it accepts
    # connections.
    : >"$dir/display"
    exec {fd}>"$dir/display"
    Xvfb -displayfd "$fd" -screen 0 1280x1024x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 </dev/null &
    XS_PIDS+=($!)
    exec {fd}>&-
    local i
    for i in $(seq 150); do
        [ -s "$dir/display" ] && break
        xs_running "${XS_PIDS[-1]}" || break
        sleep 0.1
    done
    if [ ! -s "$dir/display" ]; then
        XS_SKIP_REASON="Xvfb did not start $(tail -n 1 "$dir/xvfb.log" 2>/dev/null)"
        return 1
    fi
    XS_DISPLAY=":$(head -n 1 "$dir/display")"
    export DISPLAY=$XS_DISPLAY
    openbox --sm-disable >"$dir/openbox.log" 2>&1 </dev/null &
    XS_PIDS+=($!)
    # openbox announces itself with the desktop count on the root window.
    for i in $(seq 150); do
        xdotool get_num_desktops >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    XS_SKIP_REASON="openbox did not start $(tail -n 1 "$dir/openbox.log" 2>/dev/null)"
    return 1
}

# Ends quirra, quirra-sim, the window manager and the X server, whichever run.
xs_stop_all() {
    [ -n "$XS_APP_PID" ] && xs_stop_pid "$XS_APP_PID"
    [ -n "$XS_SIM_PID" ] && xs_stop_pid "$XS_SIM_PID"
    XS_APP_PID=""
    XS_SIM_PID=""
    local i
    for ((i = ${#XS_PIDS[@]} - 1; i >= 0; i--)); do
        xs_stop_pid "${XS_PIDS[i]}"
    done
    XS_PIDS=()
}

# xs_start_sim BUILD LINK LOGDIR [OPTIONS...]: quirra-sim behind the pty
# link LINK, its wire trace in LOGDIR/wire.log and the chip image written to
# LOGDIR/chip.bin when it ends.
xs_start_sim() {
    local build=$1 link=$2 dir=$3
    shift 3
    "$build/sim/quirra-sim" --link "$link" --trace "$dir/wire.log" --dump "$dir/chip.bin" "$@" \
        >"$dir/sim.log" 2>&1 </dev/null &
    XS_SIM_PID=$!
    xs_until 10 "quirra-sim to start" grep -qs '^ready' "$dir/sim.log"
}

# Ends quirra-sim, which then writes the chip image.
xs_stop_sim() {
    [ -n "$XS_SIM_PID" ] && xs_stop_pid "$XS_SIM_PID"
    XS_SIM_PID=""
}

# xs_start_quirra BUILD STARTDIR LINK LOGDIR: the program in STARTDIR on Qt's
# X11 platform, its port (line 1 of quirra.cfg, COM1 if unclear) pointed at
# LINK.
xs_start_quirra() {
    local build=$1 start=$2 link=$3 dir=$4 port
    port=$(head -n 1 "$start/quirra.cfg" 2>/dev/null | tr -d '\r ' || true)
    case "$port" in '' | *[!0-9]*) port=1 ;; esac
    mkdir -p -m 700 "$dir/runtime"
    (cd "$start" && exec env "QUIRRA_COM$port=$link" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$dir/runtime" \
        NO_AT_BRIDGE=1 "$build/quirra") >"$dir/quirra.log" 2>&1 </dev/null &
    XS_APP_PID=$!
}

# xs_wait_quirra_end SECONDS: waits for the program to end; fails when it
# does not or when it ends with an error status.
xs_wait_quirra_end() {
    xs_until "$1" "Quirra to end" eval '! xs_running "$XS_APP_PID"'
    local status=0
    wait "$XS_APP_PID" || status=$?
    XS_APP_PID=""
    [ "$status" -eq 0 ] || xs_fail "Quirra ended with status $status"
}

# xs_pass_version_box SECONDS [CHECK]: after a start, waits for the "Device
# Version" box (titled "Quirra"), runs the function CHECK while it is up,
# closes it with Enter and waits for the main window; sets XS_MAIN to it.
xs_pass_version_box() {
    xs_wait_window '^Quirra$' "$1" "the Device Version box"
    local box=$XS_WINDOW
    [ -z "${2:-}" ] || "$2"
    xs_keys "$box" Return
    xs_wait_gone '^Quirra$' "$1" "the Device Version box"
    xs_wait_window '^Quirra ~ Serial Programmer$' "$1" "the main window"
    XS_MAIN=$XS_WINDOW
}

# xs_wait_window REGEX SECONDS WHAT: sets XS_WINDOW to a visible window whose
# title matches REGEX (extended, case-insensitive, so anchor it). A window
# whose title matches XS_ALARM (when set) ends the wait as a failure at once.
xs_wait_window() {
    XS_WINDOW=""
    xs_until "$2" "$3 to appear" xs_find_window "$1"
}

xs_find_window() {
    if [ -n "${XS_ALARM:-}" ]; then
        local alarm
        alarm=$(xdotool search --onlyvisible --name "$XS_ALARM" 2>/dev/null | head -n 1)
        [ -z "$alarm" ] || xs_fail "unexpected window \"$(xdotool getwindowname "$alarm")\""
    fi
    local w
    for w in $(xdotool search --onlyvisible --name "$1" 2>/dev/null); do
        xs_is_menu "$w" && continue
        XS_WINDOW=$w
        return 0
    done
    return 1
}

# Qt names its drop-down menus after the program ("Quirra"), like a message
# box; they are told apart by their window type.
xs_is_menu() {
    xprop -id "$1" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q '_MENU'
}

xs_menu_open() {
    local w
    for w in $(xdotool search --onlyvisible --class '^quirra$' 2>/dev/null); do
        xs_is_menu "$w" && return 0
    done
    return 1
}

xs_no_window() {
    ! xs_find_window "$1"
}

# xs_wait_gone REGEX SECONDS WHAT
xs_wait_gone() {
    xs_until "$2" "$3 to close" xs_no_window "$1"
}

# xs_keys WINDOW KEY...: activates WINDOW and presses the keys (xdotool key
# names: alt+f, Return, Left, a) one after the other.
xs_keys() {
    local window=$1
    shift
    timeout 10 xdotool windowactivate --sync "$window" >/dev/null 2>&1 || xs_fail "window $window could not be activated"
    xdotool key --clearmodifiers --delay 40 "$@"
}

# xs_grab WINDOW FILE: a picture of WINDOW's contents.
xs_grab() {
    timeout 20 import -window "$1" "$2" 2>/dev/null || xs_fail "no picture of window $1"
}

xs_same_picture() {
    compare -metric AE "$1" "$2" null: >/dev/null 2>&1
}

# xs_wait_changed WINDOW REFERENCE SECONDS WHAT [NEW]: waits until WINDOW
# looks different from the picture REFERENCE (a .png) and stops changing;
# the new picture is left in NEW, when given.
xs_wait_changed() {
    local window=$1 ref=$2 new=${5:-${2%.png}-new.png}
    xs_until "$3" "$4" eval 'xs_grab "$window" "$new"; ! xs_same_picture "$ref" "$new"'
    xs_wait_still "$window" "$new" "$3" "$4"
}

# xs_wait_looks_like WINDOW REFERENCE SECONDS WHAT: waits until WINDOW looks
# exactly like the picture REFERENCE.
xs_wait_looks_like() {
    local window=$1 ref=$2 now=${2%.png}-now.png
    xs_until "$3" "$4" eval 'xs_grab "$window" "$now"; xs_same_picture "$ref" "$now"'
}

# xs_wait_still WINDOW FILE SECONDS WHAT: waits until no menu is open and
# two pictures of WINDOW in a row are the same; the last one is left in FILE
# (a .png).
xs_wait_still() {
    local window=$1 file=$2 next=${2%.png}-next.png
    xs_grab "$window" "$file"
    xs_until "$3" "$4 to settle" eval 'xs_grab "$window" "$next"; ! xs_menu_open && xs_same_picture "$file" "$next" ||
        { mv -f "$next" "$file"; false; }'
    rm -f "$next"
}

# xs_screen FILE: a picture of the whole screen of our X server, once it runs.
xs_screen() {
    [ -n "$XS_DISPLAY" ] && timeout 20 import -display "$XS_DISPLAY" -window root "$1" 2>/dev/null
}
