#!/usr/bin/env bash
# Installs what is missing, builds the normal and the sanitizer build, and
# runs every test in both.
set -euo pipefail
source "$(dirname "$0")/tools/common.sh"
quirra_install_missing

quirra_build "$QUIRRA_ROOT/build/release"
quirra_build "$QUIRRA_ROOT/build/asan" -DQUIRRA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug

export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
echo "== normal build"
ctest --test-dir "$QUIRRA_ROOT/build/release" --output-on-failure -j2
echo "== sanitizer build"
ctest --test-dir "$QUIRRA_ROOT/build/asan" --output-on-failure -j2
