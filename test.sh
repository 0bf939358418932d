#!/usr/bin/env bash
# Installs what is missing, builds the normal and the sanitizer build, and
# runs every test in both.
set -euo pipefail
source "$(dirname "$0")/tools/common.sh"
quirra_install_missing $QUIRRA_TEST_PACKAGES
# The end-to-end test and the package checks skip what they cannot do
# without these, and say so.
source "$QUIRRA_ROOT/tools/xsession.sh"
quirra_install_missing $XS_PACKAGES desktop-file-utils appstream dpkg-dev ||
    echo "Could not install the X server or the packaging tools."

quirra_build "$QUIRRA_ROOT/build/release"
quirra_build "$QUIRRA_ROOT/build/asan" -DQUIRRA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug

export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# The Intel HEX reader under libFuzzer and the sanitizers, for a bounded time,
# in a clang build of its own that builds nothing else.
fuzz="$QUIRRA_ROOT/build/fuzz"
echo "== fuzzing the Intel HEX reader"
if command -v clang++ >/dev/null &&
    cmake -S "$QUIRRA_ROOT" -B "$fuzz" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null &&
    grep -q '^QUIRRA_HAVE_LIBFUZZER:INTERNAL=1' "$fuzz/CMakeCache.txt"; then
    cmake --build "$fuzz" --target fuzz_hexreader
    mkdir -p "$fuzz/corpus"
    if ! "$fuzz/tests/fuzz_hexreader" -max_total_time=25 "$fuzz/corpus" "$QUIRRA_ROOT/tests/fuzz-seeds" >"$fuzz/fuzz.log" 2>&1; then
        tail -n 60 "$fuzz/fuzz.log"
        exit 1
    fi
    grep DONE "$fuzz/fuzz.log"
else
    echo "clang++ with libFuzzer is missing: not fuzzed"
fi
echo "== normal build"
ctest --test-dir "$QUIRRA_ROOT/build/release" --output-on-failure -j2
echo "== sanitizer build"
ctest --test-dir "$QUIRRA_ROOT/build/asan" --output-on-failure -j2
if [ -f "$QUIRRA_ROOT/build/release/e2e/SKIPPED" ]; then
    echo "== end-to-end test SKIPPED: $(cat "$QUIRRA_ROOT/build/release/e2e/SKIPPED")"
fi
