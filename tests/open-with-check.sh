#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Fails unless GLib, which file managers ask for their "Open With" lists, recommends the desktop entry for the kinds
# of files people file and offers it for a folder. A made-up `plindor` on PATH stands in for the installed program,
# since GLib leaves out entries whose program it cannot find.
#
# Usage: open-with-check.sh DESKTOP_ENTRY
set -uo pipefail
entry=$1
command -v gio >/dev/null || { echo "needs gio (package libglib2.0-bin)"; exit 1; }
command -v update-desktop-database >/dev/null || { echo "needs update-desktop-database (desktop-file-utils)"; exit 1; }
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/applications" "$home/bin"
printf '#!/bin/sh\n' >"$home/bin/plindor"
chmod +x "$home/bin/plindor"
cp "$entry" "$home/applications/"
update-desktop-database "$home/applications"
name=$(basename "$entry")
failures=0
for type in application/pdf image/jpeg image/png text/plain application/msword \
    application/vnd.openxmlformats-officedocument.wordprocessingml.document \
    application/vnd.openxmlformats-officedocument.spreadsheetml.sheet video/mp4 application/zip inode/directory; do
    recommended=$(PATH="$home/bin:$PATH" XDG_DATA_HOME="$home/none" XDG_DATA_DIRS="$home" gio mime "$type" |
        sed -n '/^Recommended applications:/,$p')
    if ! grep -qF "$name" <<<"$recommended"; then
        echo "not recommended for $type"
        failures=$((failures + 1))
    fi
done
echo "open-with: $failures of 10 types without the entry"
[ "$failures" -eq 0 ]
