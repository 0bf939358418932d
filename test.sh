#!/usr/bin/env bash
# Installs what is missing, builds the normal and the sanitizer build, and
# runs every test in both. The sanitizer build runs even when the normal one
# fails, so that one failure never hides the other's results; the exit code
# is non-zero when either failed.
set -uo pipefail
source "$(dirname "$0")/tools/common.sh"
quirra_install_missing || exit 1

export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# build_and_test NAME DIR [cmake options...]
failed=()
build_and_test() {
    local name="$1" dir="$2"
    shift 2
    echo "== $name build"
    if ! quirra_build "$dir" "$@"; then
        failed+=("$name build")
    elif ! ctest --test-dir "$dir" --output-on-failure -j2; then
        failed+=("$name tests")
    fi
}

build_and_test normal "$QUIRRA_ROOT/build/release"
build_and_test sanitizer "$QUIRRA_ROOT/build/asan" -DQUIRRA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug

if [ ${#failed[@]} -gt 0 ]; then
    echo "== FAILED: ${failed[*]}"
    exit 1
fi
echo "== all passed"
