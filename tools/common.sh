# Shared by run.sh and test.sh: install what is missing, configure and build.
# Sourced, not run.

QUIRRA_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# libqt6svg6 draws the program's icon.
QUIRRA_PACKAGES="g++ cmake ninja-build pkg-config qt6-base-dev qt6-serialport-dev libgl-dev libqt6svg6 libelf-dev"
# Tests: srec_cat for the file cross-checks, clang and its libFuzzer runtime,
# the AVR toolchain that writes the ELF files the ELF reader is checked on.
QUIRRA_TEST_PACKAGES="srecord clang libclang-rt-14-dev gcc-avr avr-libc binutils-avr"

quirra_install_missing() {
    local missing=()
    local p
    for p in $QUIRRA_PACKAGES "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    # Another install may hold the package lock for a while.
    local wait=(-o DPkg::Lock::Timeout=600)
    if ! $sudo apt-get install -y -qq --no-install-recommends "${wait[@]}" "${missing[@]}" >/dev/null; then
        $sudo apt-get update -qq "${wait[@]}" >/dev/null
        $sudo apt-get install -y -qq --no-install-recommends "${wait[@]}" "${missing[@]}" >/dev/null
    fi
}

# quirra_build DIR [cmake options...]; builds the targets in
# QUIRRA_TARGETS when set, everything otherwise. Our own builds treat
# warnings as errors.
quirra_build() {
    local dir="$1"
    shift
    cmake -S "$QUIRRA_ROOT" -B "$dir" -G Ninja -DQUIRRA_WERROR=ON "$@" >/dev/null
    local targets=()
    [ -n "${QUIRRA_TARGETS:-}" ] && targets=(--target $QUIRRA_TARGETS)
    cmake --build "$dir" "${targets[@]}" -- -j"$(nproc)"
}
