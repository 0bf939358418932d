#!/bin/sh
# Runs the Qt Test program $1 with its test functions in a shuffled order,
# the same on every run (this file is the random source), so that no test
# can lean on what an earlier one left behind.
order=$("$1" -functions | sed 's/()$//' | shuf --random-source="$0") || exit 1
# shellcheck disable=SC2086  # one argument per function name
exec "$1" $order
