#!/bin/sh
# Writes the package's changelog in the Debian format, gzip-compressed, from
# CHANGELOG.md: one entry per released version ("## 1.0.0 - 2026-12-07"),
# its "- " lines as items, stamped at noon of its date. Unreleased lines
# wait for their release.
# Usage: debian-changelog.sh CHANGELOG.md PACKAGE "MAINTAINER <ADDRESS>" OUT.gz
set -eu
in=$1 package=$2 maintainer=$3 out=$4
tmp="$out.tmp"
awk -v package="$package" -v maintainer="$maintainer" '
function finish() {
    if (version == "") return
    # Noon of the release day, a minute earlier for each older entry, so
    # that two releases of one day still follow each other.
    cmd = "LC_ALL=C date -u -R -d @$(( $(date -u -d " date " +%s) + 43200 - 60 * " (entries + 0) " )) 2>/dev/null"
    entries++
    cmd | getline stamp
    close(cmd)
    if (stamp == "") { print "bad date " date > "/dev/stderr"; exit 1 }
    printf "\n -- %s  %s\n\n", maintainer, stamp
    version = ""
}
/^## / {
    finish()
    if ($2 ~ /^[0-9]/ && $3 == "-" && $4 ~ /^[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]$/) {
        version = $2; date = $4
        printf "%s (%s) unstable; urgency=medium\n\n", package, version
    }
    next
}
version != "" && /^- / { item = substr($0, 3); printf "  * %s\n", item; next }
version != "" && /^  [^ ]/ { printf "    %s\n", substr($0, 3); next }
END { finish() }
' "$in" >"$tmp"
gzip -9n -c "$tmp" >"$out"
rm -f "$tmp"
