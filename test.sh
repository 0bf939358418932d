#!/usr/bin/env bash
# Installs what is missing, builds the normal and the sanitizer build, and
# runs every test in both.
set -euo pipefail
source "$(dirname "$0")/tools/common.sh"
quirra_install_missing
# The end-to-end test and the package checks skip what they cannot do
# without these, and say so.
source "$QUIRRA_ROOT/tools/xsession.sh"
quirra_install_missing $XS_PACKAGES desktop-file-utils appstream dpkg-dev ||
    echo "Could not install the X server or the packaging tools."

quirra_build "$QUIRRA_ROOT/build/release"
quirra_build "$QUIRRA_ROOT/build/asan" -DQUIRRA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug

export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
echo "== normal build"
ctest --test-dir "$QUIRRA_ROOT/build/release" --output-on-failure -j2
echo "== sanitizer build"
ctest --test-dir "$QUIRRA_ROOT/build/asan" --output-on-failure -j2
if [ -f "$QUIRRA_ROOT/build/release/e2e/SKIPPED" ]; then
    echo "== end-to-end test SKIPPED: $(cat "$QUIRRA_ROOT/build/release/e2e/SKIPPED")"
fi
