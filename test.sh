#!/usr/bin/env bash
# Installs what is missing, builds the normal and the sanitizer build, runs
# every test in both, and the end-to-end test on the normal build.
set -euo pipefail
source "$(dirname "$0")/tools/common.sh"
source "$QUIRRA_ROOT/tools/xsession.sh"
quirra_install_missing
# For the end-to-end test and the package checks, which say so and skip
# what they cannot do without them.
quirra_install_missing $XS_PACKAGES desktop-file-utils appstream dpkg-dev ||
    echo "Could not install the X server or the packaging tools."

quirra_build "$QUIRRA_ROOT/build/release"
quirra_build "$QUIRRA_ROOT/build/asan" -DQUIRRA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug

export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
echo "== normal build"
ctest --test-dir "$QUIRRA_ROOT/build/release" --output-on-failure -j2
echo "== end-to-end test (normal build, under Xvfb)"
e2e=0
"$QUIRRA_ROOT/tests/e2e/e2e.sh" "$QUIRRA_ROOT/build/release" || e2e=$?
case $e2e in
    0) ;;
    77) echo "== end-to-end test SKIPPED: no X server could be started (see above)" ;;
    *) exit "$e2e" ;;
esac
echo "== sanitizer build"
ctest --test-dir "$QUIRRA_ROOT/build/asan" --output-on-failure -j2
