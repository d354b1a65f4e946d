#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Fails when a program or library under BUILD_FOLDER has an empty or relative RPATH or RUNPATH entry: the loader
# reads it against the folder the program is started from, where another user may have planted a library.
# Absolute folders and folders below $ORIGIN, the file's own folder, are fine.
#
# Usage: runpath-check.sh BUILD_FOLDER
set -uo pipefail

checked=0
failures=0
while IFS= read -r -d '' file; do
    [ "$(head -c 4 "$file" | od -An -c | tr -d ' ')" = '177ELF' ] || continue
    checked=$((checked + 1))
    while IFS= read -r path; do
        # Every entry, the empty ones at either end and between two colons included.
        IFS=':' read -r -a entries <<<"$path:"
        for entry in "${entries[@]}"; do
            case $entry in
            /* | '$ORIGIN' | '$ORIGIN/'* | '${ORIGIN}' | '${ORIGIN}/'*) ;;
            *)
                echo "FAIL: $file searches [$path], whose entry '$entry' is relative to the current folder"
                failures=$((failures + 1))
                break
                ;;
            esac
        done
    done < <(readelf -d "$file" 2>/dev/null | sed -n 's/.*(R\(UN\)\{0,1\}PATH).*path: \[\(.*\)\]$/\2/p')
done < <(find "$1" -type f -perm -u=x -print0)

echo "$checked ELF files checked, $failures with an entry relative to the current folder"
[ "$checked" -gt 0 ] && [ "$failures" -eq 0 ]
