#!/usr/bin/env bash
# Installs what is missing, builds, and runs Quirra in build/demo/ (a copy of
# demo/, made on first use) against the programmer emulator.
set -euo pipefail
source "$(dirname "$0")/tools/common.sh"
quirra_install_missing

quirra_build "$QUIRRA_ROOT/build/release"

demo="$QUIRRA_ROOT/build/demo"
if [ ! -d "$demo" ]; then
    cp -r "$QUIRRA_ROOT/demo" "$demo"
fi
cd "$demo"
exec "$QUIRRA_ROOT/build/release/quirra"
