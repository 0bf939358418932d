#!/usr/bin/env bash
# quirra-cli's bash completion, sourced into bash and asked as bash asks it:
# commands, options and their values, and the devices of a catalogue.
# Usage: completion.sh COMPLETION_FILE QUIRRA_CLI START_DIR
set -uo pipefail
# shellcheck source=/dev/null
source "$1"
cli=$2
dir=$3
failures=0
# The words of the line as bash splits them (= is a word of its own); the
# last one is being completed.
while IFS='|' read -r line expected; do
    read -ra COMP_WORDS <<<"$cli $line"
    [[ $line == *' ' ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _quirra_cli
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
    [ "$got" = "$expected" ] || { echo "FAIL: '$line' completes to '$got', expected '$expected'" >&2; failures=$((failures + 1)); }
done <<CASES
pro|probe program
--dir $dir devi|devices
-q con|convert
--dev|--device
program --serial-|--serial-file --serial-overwrite
--json --v|--verbose --version --vote
-f |bin hex srec
--to = s|srec
--dir $dir -d 27C|27C128 27C256 27C512 27C64
--dir $dir --device 24C|24C02 24C16 24C256 24C64
--dir = $dir --record 2|2 20 21 22 23 24
CASES
[ "$failures" -eq 0 ] || exit 1
echo "completion: all cases passed"
