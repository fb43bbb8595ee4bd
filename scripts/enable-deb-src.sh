#!/usr/bin/env bash
# Adds source entries (deb-src) for the Debian archive this machine already uses, so that
# `apt-get source` can fetch the sources of the installed packages. Does nothing when the
# machine has such entries; exits 1 with a message when it has no archive entry at all.
# Prints "updated" when it added entries (the caller then runs apt-get update).
set -euo pipefail

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi

if grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    exit 0
fi
# Debian 12 keeps its archive in debian.sources (deb822); older set-ups in sources.list.
if [ -s /etc/apt/sources.list.d/debian.sources ]; then
    sed -n '/^Types:/,$p' /etc/apt/sources.list.d/debian.sources \
        | sed 's/^Types: deb$/Types: deb-src/' \
        | "${as_root[@]}" tee /etc/apt/sources.list.d/lensdesk-deb-src.sources >/dev/null
elif grep -qsE '^deb ' /etc/apt/sources.list; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' \
        | "${as_root[@]}" tee /etc/apt/sources.list.d/lensdesk-deb-src.list >/dev/null
else
    echo "enable-deb-src: no Debian archive entry found to add source entries for" >&2
    exit 1
fi
echo updated
