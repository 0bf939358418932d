#!/usr/bin/env bash
# Installs into a temporary prefix and checks what a user and a packager get:
# the layout, a man page per program that covers its options, the desktop
# entry and metadata (validated when the tools are there), the launcher's
# first-use start directory, and the Debian package's contents and
# dependencies (when dpkg-shlibdeps is there).
# Usage: install_layout.sh BUILD_DIR PROGRAM...
set -euo pipefail
build="$1"
shift
programs=()
for program in "$@"; do [ -n "$program" ] && programs+=("$program"); done
app=org.quirra.Quirra
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix="$tmp/usr"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
have() { command -v "$1" >/dev/null 2>&1; }
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
f share/doc/quirra/copyright
f share/doc/quirra/changelog.gz
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
    for option in $(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/$program" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
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

if have dpkg-shlibdeps && have dpkg-deb; then
    cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/pkg" >"$tmp/cpack.log" 2>&1 ||
        { cat "$tmp/cpack.log" >&2; fail "cpack -G DEB"; }
    deb=$(ls "$tmp"/pkg/*.deb)
    depends=$(dpkg-deb -f "$deb" Depends)
    for dep in libc6 libqt6core6 libqt6widgets6 libqt6serialport6 qt6-qpa-plugins; do
        grep -q "\b$dep\b" <<<"$depends" || fail "package does not depend on $dep: $depends"
    done
    contents=$(dpkg-deb -c "$deb" | awk '{print $NF}')
    for path in "${programs[@]/#/usr/bin/}" usr/libexec/quirra/quirra-launch usr/share/applications/$app.desktop; do
        grep -qx "\./$path" <<<"$contents" || fail "package lacks /$path"
    done
    dpkg-deb -x "$deb" "$tmp/unpacked"
    grep -qx 'Exec="/usr/libexec/quirra/quirra-launch"' "$tmp/unpacked/usr/share/applications/$app.desktop" ||
        fail "packaged desktop entry does not start /usr/libexec/quirra/quirra-launch"
    [ -x "$tmp/unpacked/usr/bin/quirra-cli" ] &&
        cli_lists_defaults "$tmp/unpacked/usr/bin/quirra-cli" "$tmp/unpacked/usr/share/quirra"
    # Debian's own checker: no error and no warning. The package has no
    # overrides; one would need its reason on the line beside it.
    if have lintian; then
        lintian --fail-on error,warning --tag-display-limit 0 "$deb" >"$tmp/lintian.log" 2>&1 ||
            { cat "$tmp/lintian.log" >&2; fail "lintian: $(grep -c '^[EW]:' "$tmp/lintian.log") errors and warnings"; }
    else
        echo "lintian not installed: package not checked"
    fi
else
    echo "dpkg-shlibdeps not installed: Debian package not built"
fi

[ "$failures" -eq 0 ] || exit 1
echo "install layout: all checks passed"
