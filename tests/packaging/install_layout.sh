#!/usr/bin/env bash
# Installs into a temporary prefix and checks what a user and a packager get:
# the layout, a man page per program that covers its options, the desktop
# entry and metadata (validated when the tools are there), the launcher's
# first-use start directory, the terminal package installed alone running
# its man pages' examples against the emulator, one version everywhere, and
# the two Debian packages' contents, dependencies and lintian's verdict
# (when dpkg-shlibdeps is there).
# Usage: install_layout.sh BUILD_DIR PROGRAM...
set -euo pipefail
build="$1"
shift
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
programs=()
for program in "$@"; do [ -n "$program" ] && programs+=("$program"); done
app=org.quirra.Quirra
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix="$tmp/usr"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
have() { command -v "$1" >/dev/null 2>&1; }
qt_warning='^(Q[A-Za-z]+(::|:)|qt\.)'
# validate TOOL ARGS...: runs a validator when it is installed.
validate() { if have "$1"; then "$@" || fail "$*"; else echo "$1 not installed: not run"; fi; }

cmake --install "$build" --prefix "$prefix" >"$tmp/install.log"

# Kind and path of everything besides the programs: x executable, f file.
while read -r kind path; do
    [ -f "$prefix/$path" ] || { fail "missing $path"; continue; }
    [ "$kind" = f ] || [ -x "$prefix/$path" ] || fail "$path is not executable"
done <<LAYOUT
x libexec/quirra/quirra-launch
f share/applications/$app.desktop
f share/icons/hicolor/scalable/apps/$app.svg
f share/metainfo/$app.metainfo.xml
f share/quirra/quirra.dev
f share/quirra/quirra.cfg
f share/quirra/auto.cfg
f share/quirra/demo.hex
f share/doc/quirra/copyright
f share/doc/quirra/changelog.gz
f share/doc/quirra-cli/examples/99-quirra-usb-serial.rules
f share/doc/quirra-cli/copyright
f share/doc/quirra-cli/changelog.gz
f share/man/man5/quirra-files.5.gz
LAYOUT
if [ -x "$prefix/bin/quirra-cli" ]; then
    [ -f "$prefix/share/bash-completion/completions/quirra-cli" ] || fail "missing the bash completion of quirra-cli"
fi

# Exactly the built programs, each with a man page that names its options.
[ "$(ls "$prefix/bin" | sort | xargs)" = "$(printf '%s\n' "${programs[@]}" | sort | xargs)" ] ||
    fail "bin holds $(ls "$prefix/bin" | xargs), expected ${programs[*]}"
for program in "${programs[@]}"; do
    page="$prefix/share/man/man1/$program.1.gz"
    [ -f "$page" ] || { fail "$program has no man page $program.1.gz"; continue; }
    if have groff; then
        warnings=$(gzip -dc "$page" | LC_ALL=C.UTF-8 groff -man -ww -z -Tutf8 2>&1)
        [ -z "$warnings" ] || fail "$program.1: $warnings"
    fi
    # --help must answer without a display. The page is read whole first:
    # grep -q ending a pipe early would fail it (pipefail).
    text=$(gzip -dc "$page" | sed 's/\\-/-/g')
    for option in $(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/$program" --help 2>>"$tmp/stderr" | grep -o -- '--[a-z][a-z-]*' | sort -u); do
        grep -q -- "$option" <<<"$text" || fail "$program.1 does not describe $option"
    done
done

# quirra-cli finds the installed catalogue from anywhere, with no start
# files of the user's: run from / with an empty home.
# cli_lists_defaults PROGRAM DATA_DIR
cli_lists_defaults() {
    local listed first
    mkdir -p "$tmp/emptyhome"
    listed=$(cd / && env -u XDG_CONFIG_HOME HOME="$tmp/emptyhome" "$1" devices 2>&1) || fail "$1 devices from /: $listed"
    first=$(head -n 1 "$2/quirra.dev" | cut -d '"' -f 2)
    grep -qF " $first " <<<"$listed" || fail "$1 devices from / does not list the default catalogue: $listed"
}
[ -x "$prefix/bin/quirra-cli" ] && cli_lists_defaults "$prefix/bin/quirra-cli" "$prefix/share/quirra"

# One version: the project's (as the programs report it), the newest
# section of CHANGELOG.md, the Debian changelog and the AppStream release.
version=$("$prefix/bin/quirra" --version | awk '{print $2}')
for program in "${programs[@]}"; do
    [ "$("$prefix/bin/$program" --version 2>>"$tmp/stderr")" = "$program $version" ] || fail "$program --version"
done
# No Qt warning on a normal path (the commands that need a programmer are
# checked with the man pages' examples below).
! grep -E "$qt_warning" "$tmp/stderr" || fail "Qt warnings on --help or --version"
top=$(grep -m 1 '^## ' "$source_dir/CHANGELOG.md")
[ "$top" = "## $version - $(grep -o 'date="[0-9-]*"' "$prefix/share/metainfo/$app.metainfo.xml" | head -n 1 | cut -d '"' -f 2)" ] ||
    fail "CHANGELOG.md's newest section \"$top\" is not version $version of the AppStream release date"
grep -m 1 -o '<release version="[^"]*"' "$prefix/share/metainfo/$app.metainfo.xml" | grep -qF "\"$version\"" ||
    fail "the AppStream data's newest release is not $version"
for package in quirra quirra-cli; do
    head=$(gzip -dc "$prefix/share/doc/$package/changelog.gz" | head -n 1)
    [ "$head" = "$package ($version) unstable; urgency=medium" ] || fail "$package's Debian changelog begins \"$head\""
done

# What the texts for users say the program does: all three file formats.
for text in "$prefix/share/metainfo/$app.metainfo.xml" "$prefix"/share/man/man1/quirra.1.gz "$prefix"/share/man/man1/quirra-cli.1.gz; do
    zgrep -q 'S-record' "$text" || fail "$text does not name S-records"
done

# The terminal package alone: its programs, the man pages and the defaults
# work without the window's. The EXAMPLES of quirra-cli(1) and quirra-sim(1)
# run as typed into an interactive shell on a terminal (job control on, so
# the emulator started with & is in the background), with the installed
# paths of this tree and a link of this test; EXTRA, one command a line,
# runs before the emulator ends.
# run_examples PAGE PREFIX [EXTRA]
run_examples() {
    local name work out extra=${3:-}
    name=$(basename "$1" .1.gz)
    work="$tmp/examples-$name"
    mkdir -p "$work"
    gzip -dc "$1" | awk '/^\.SH EXAMPLES/ { on = 1; next } /^\.SH/ { on = 0 }
                        on && /^\.nf/ { block = 1; next } block && /^\.fi/ { exit } block' |
        sed -e 's/\\-/-/g' -e "s|/usr/share/quirra|$2/share/quirra|g" -e "s|/tmp/ttySIM|$work/link|g" |
        awk -v link="$work/link" -v extra="$extra" '/^kill %1$/ { print extra } { print }
            / &$/ { print "for i in $(seq 50); do [ -e " link " ] && break; sleep 0.1; done" }
            /^kill %1$/ { print "wait" }' >"$work/examples.sh"
    grep -q '^quirra-sim .*&$' "$work/examples.sh" || { fail "$name.1 has no EXAMPLES starting the emulator"; return; }
    out=$(cd "$work" && env -u XDG_CONFIG_HOME HOME="$tmp/emptyhome" PATH="$2/bin:$PATH" \
        timeout 120 script -qec "bash --norc --noprofile -i examples.sh" /dev/null </dev/null 2>&1) ||
        fail "$name.1 EXAMPLES: exit $?"
    # The progress bars redraw in place; the last lines say what happened.
    out=$(tr '\r' '\n' <<<"$out" | grep -v '%')
    for expected in "Device Version 2.1" "Programming ...   OK!" "Verifying ...   OK!" "Reading ...   OK!"; do
        grep -qF "$expected" <<<"$out" || fail "$name.1 EXAMPLES: no \"$expected\" in: $out"
    done
    ! grep -E "Stopped|Cannot find device|$qt_warning" <<<"$out" || fail "$name.1 EXAMPLES: $out"
    [ ! -e "$work/link" ] || fail "$name.1 EXAMPLES: the emulator did not end cleanly on kill"
    cmp -s <("$2/bin/quirra-cli" convert "$2/share/quirra/demo.hex" - 2>/dev/null) \
        <("$2/bin/quirra-cli" convert "$work/chip.hex" - 2>/dev/null) ||
        fail "$name.1 EXAMPLES: the chip read back differs from the demo image"
}
if [ -x "$prefix/bin/quirra-cli" ]; then
    cli="$tmp/cli/usr"
    cmake --install "$build" --component cli --prefix "$cli" >"$tmp/install-cli.log"
    [ "$(ls "$cli/bin" | xargs)" = "quirra-cli quirra-sim" ] || fail "the terminal component installs $(ls "$cli/bin" | xargs)"
    cli_lists_defaults "$cli/bin/quirra-cli" "$cli/share/quirra"
    if have script; then
        # Every other command of quirra-cli(1) too, for their Qt warnings.
        run_examples "$cli/share/man/man1/quirra-cli.1.gz" "$cli" "$(printf 'quirra-cli -d 2716 %s\n' erase blank lock \
            "auto $cli/share/quirra/demo.hex" ports "info chip.hex" "convert chip.hex chip.s19" devices)"
        run_examples "$cli/share/man/man1/quirra-sim.1.gz" "$cli"
    else
        echo "script not installed: the man pages' examples not run"
    fi
fi

entry="$prefix/share/applications/$app.desktop"
grep -qx "Exec=\"$prefix/libexec/quirra/quirra-launch\"" "$entry" || fail "desktop entry: $(grep ^Exec "$entry")"
validate desktop-file-validate "$entry"
validate appstreamcli validate --no-net --explain "$prefix/share/metainfo/$app.metainfo.xml"

# The launcher, with a stand-in program that reports where it was started.
cat >"$prefix/bin/quirra" <<'STUB'
#!/bin/sh
pwd >"$QUIRRA_STUB_OUT"
STUB
launch() {  # launch HOME XDG_CONFIG_HOME(- for unset) EXPECTED_START_DIR
    local xdg=()
    [ "$2" = - ] || xdg=(XDG_CONFIG_HOME="$2")
    env -u XDG_CONFIG_HOME HOME="$1" "${xdg[@]}" QUIRRA_STUB_OUT="$tmp/started" "$prefix/libexec/quirra/quirra-launch"
    [ "$(cat "$tmp/started")" = "$3" ] || fail "launcher started in $(cat "$tmp/started"), expected $3"
}
while read -r home config expected; do
    launch "$tmp/$home" "$config" "$tmp/$expected"
    for name in quirra.dev quirra.cfg auto.cfg; do
        cmp -s "$prefix/share/quirra/$name" "$tmp/$expected/$name" || fail "launcher did not copy $name to $expected"
    done
done <<CASES
h1 $tmp/xdg xdg/quirra
h2 - h2/.config/quirra
h3 relative/dir h3/.config/quirra
CASES
# A second start keeps what the user changed; a lost file comes back.
printf '3\r\n24\r\n7\r\n' | tee "$tmp/xdg/quirra/quirra.cfg" >"$tmp/user.cfg"
rm "$tmp/xdg/quirra/auto.cfg"
launch "$tmp/h1" "$tmp/xdg" "$tmp/xdg/quirra"
cmp -s "$tmp/xdg/quirra/quirra.cfg" "$tmp/user.cfg" || fail "launcher replaced the user's quirra.cfg"
[ -f "$tmp/xdg/quirra/auto.cfg" ] || fail "launcher did not restore auto.cfg"

# deb_check DEB: the package's fields. WANT lists what Depends must name,
# SHUN what it must not.
deb_check() {
    local deb=$1 depends
    depends=$(dpkg-deb -f "$deb" Depends)
    for dep in $want; do grep -q "\b$dep\b" <<<"$depends" || fail "$deb does not depend on $dep: $depends"; done
    for dep in $shun; do ! grep -q "\b$dep\b" <<<"$depends" || fail "$deb depends on $dep: $depends"; done
    [ "$(dpkg-deb -f "$deb" Homepage)" != "" ] || fail "$deb has no Homepage"
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "$deb is not version $version"
    dpkg-deb -f "$deb" Description | grep -q 'S-record' || fail "$deb's description does not name S-records"
}
if have dpkg-shlibdeps && have dpkg-deb; then
    cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/pkg" >"$tmp/cpack.log" 2>&1 ||
        { cat "$tmp/cpack.log" >&2; fail "cpack -G DEB"; }
    gui_deb=$(ls "$tmp"/pkg/quirra_*.deb)
    cli_deb=$(ls "$tmp"/pkg/quirra-cli_*.deb)
    want="libc6 libqt6core6 libqt6serialport6" shun="libqt6widgets6 libqt6gui6 qt6-qpa-plugins" deb_check "$cli_deb"
    want="libqt6widgets6 qt6-qpa-plugins quirra-cli" shun="" deb_check "$gui_deb"
    grep -q "quirra-cli (= $version)" <<<"$(dpkg-deb -f "$gui_deb" Depends)" || fail "quirra does not depend on quirra-cli $version"
    contents=$(for d in "$gui_deb" "$cli_deb"; do dpkg-deb -c "$d"; done | awk '{print $NF}')
    for path in "${programs[@]/#/usr/bin/}" usr/libexec/quirra/quirra-launch usr/share/applications/$app.desktop usr/share/quirra/demo.hex \
        usr/share/man/man5/quirra-files.5.gz usr/share/bash-completion/completions/quirra-cli; do
        grep -qx "\./$path" <<<"$contents" || fail "packages lack /$path"
    done
    dpkg-deb -x "$gui_deb" "$tmp/unpacked"
    dpkg-deb -x "$cli_deb" "$tmp/unpacked"
    grep -qx 'Exec="/usr/libexec/quirra/quirra-launch"' "$tmp/unpacked/usr/share/applications/$app.desktop" ||
        fail "packaged desktop entry does not start /usr/libexec/quirra/quirra-launch"
    [ -x "$tmp/unpacked/usr/bin/quirra-cli" ] &&
        cli_lists_defaults "$tmp/unpacked/usr/bin/quirra-cli" "$tmp/unpacked/usr/share/quirra"
    # Debian's own checker: no error and no warning, and none of its notes
    # on hardening. The packages have no overrides; one would need its
    # reason on the line beside it.
    if have lintian; then
        lintian --fail-on error,warning --display-info --tag-display-limit 0 "$gui_deb" "$cli_deb" >"$tmp/lintian.log" 2>&1 ||
            { cat "$tmp/lintian.log" >&2; fail "lintian: $(grep -c '^[EW]:' "$tmp/lintian.log") errors and warnings"; }
        ! grep -E 'hardening-|unneeded-section' "$tmp/lintian.log" || fail "lintian: hardening"
    else
        echo "lintian not installed: packages not checked"
    fi
    for program in "$tmp"/unpacked/usr/bin/*; do
        ! readelf -S "$program" | grep -q '\.comment' || fail "$program keeps its .comment section"
    done
else
    echo "dpkg-shlibdeps not installed: Debian package not built"
fi

[ "$failures" -eq 0 ] || exit 1
echo "install layout: all checks passed"
