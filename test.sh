#!/usr/bin/env bash
# Installs what is missing, builds the normal and the sanitizer build, and
# runs every test in both (the normal build's in a shuffled order), then
# fuzzes every reader of outside input for a bounded time. Every step runs
# even when an earlier one failed, so that one failure
# never hides another's results; the exit code is non-zero when any failed.
set -uo pipefail
source "$(dirname "$0")/tools/common.sh"
quirra_install_missing $QUIRRA_TEST_PACKAGES || exit 1
# The end-to-end test and the package checks skip what they cannot do
# without these, and say so.
source "$QUIRRA_ROOT/tools/xsession.sh"
quirra_install_missing $XS_PACKAGES desktop-file-utils appstream dpkg-dev lintian fonts-dejavu-core ||
    echo "Could not install the X server or the packaging tools."

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

build_and_test normal "$QUIRRA_ROOT/build/release" -DQUIRRA_SHUFFLE=ON
build_and_test sanitizer "$QUIRRA_ROOT/build/asan" -DQUIRRA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug

# Every reader of outside input under libFuzzer and the sanitizers, in a
# clang build of its own that builds nothing else, 10 s a target.
fuzz="$QUIRRA_ROOT/build/fuzz"
echo "== fuzzing the file readers, the start-up files, the command line and the wire"
# fuzz_one TARGET SEEDS SECONDS
fuzz_one() {
    mkdir -p "$fuzz/corpus-$1"
    if ! "$fuzz/tests/$1" -max_total_time="$3" -timeout=10 "$fuzz/corpus-$1" "$2" >"$fuzz/$1.log" 2>&1; then
        tail -n 60 "$fuzz/$1.log"
        failed+=("fuzzing $1")
    else
        grep DONE "$fuzz/$1.log"
    fi
}
if command -v clang++ >/dev/null &&
    cmake -S "$QUIRRA_ROOT" -B "$fuzz" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null &&
    grep -q '^QUIRRA_HAVE_LIBFUZZER:INTERNAL=1' "$fuzz/CMakeCache.txt"; then
    if ! cmake --build "$fuzz" --target fuzz_hexreader fuzz_srecreader fuzz_startfiles fuzz_cliargs fuzz_wire fuzz_elfreader; then
        failed+=("fuzz build")
    else
        fuzz_one fuzz_hexreader "$QUIRRA_ROOT/tests/fuzz-seeds" 10
        fuzz_one fuzz_srecreader "$QUIRRA_ROOT/tests/fuzz-seeds-srec" 10
        fuzz_one fuzz_startfiles "$QUIRRA_ROOT/tests/fuzz-seeds-startfiles" 10
        fuzz_one fuzz_cliargs "$QUIRRA_ROOT/tests/fuzz-seeds-cliargs" 10
        fuzz_one fuzz_wire "$QUIRRA_ROOT/tests/fuzz-seeds-wire" 10
        fuzz_one fuzz_elfreader "$QUIRRA_ROOT/tests/fuzz-seeds-elf" 10
    fi
else
    echo "clang++ with libFuzzer is missing: not fuzzed"
fi

if [ -f "$QUIRRA_ROOT/build/release/e2e/SKIPPED" ]; then
    echo "== end-to-end test SKIPPED: $(cat "$QUIRRA_ROOT/build/release/e2e/SKIPPED")"
fi
if [ ${#failed[@]} -gt 0 ]; then
    echo "== FAILED: ${failed[*]}"
    exit 1
fi
echo "== all passed"
