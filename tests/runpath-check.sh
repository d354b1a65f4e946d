#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Fails when a program or shared object in the build tree has an empty or relative entry in its RPATH or RUNPATH.
# The loader reads such an entry against the folder the program is started from, so a library planted there by
# another user would be loaded in place of the system's. Only absolute folders and folders below $ORIGIN, the
# program's own folder, are allowed.
#
# Usage: runpath-check.sh BUILD_FOLDER
set -uo pipefail

root=$1
checked=0
failures=0
while IFS= read -r -d '' file; do
    [ "$(head -c 4 "$file" | od -An -c | tr -d ' ')" = '177ELF' ] || continue
    checked=$((checked + 1))
    while IFS= read -r path; do
        IFS=':' read -r -a entries <<<"$path"
        # A path that ends in ':' leaves its last, empty entry out of the split.
        [[ $path == *: || -z $path ]] && entries+=('')
        for entry in "${entries[@]}"; do
            case $entry in
            /* | '$ORIGIN' | '$ORIGIN/'* | '${ORIGIN}' | '${ORIGIN}/'*) ;;
            *)
                echo "FAIL: $file has the search path [$path], whose entry '$entry' is relative to the current folder"
                failures=$((failures + 1))
                break
                ;;
            esac
        done
    done < <(readelf -d "$file" 2>/dev/null | sed -n 's/.*(R\(UN\)\{0,1\}PATH).*path: \[\(.*\)\]$/\2/p')
done < <(find "$root" -type f -perm -u=x -print0)

if [ "$checked" -eq 0 ]; then
    echo "FAIL: no ELF file found under $root"
    exit 1
fi
echo "$checked ELF files checked, $failures with a search path relative to the current folder"
[ "$failures" -eq 0 ]
