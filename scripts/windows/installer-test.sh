#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Runs the installer and the uninstaller silently under Wine, in a Wine prefix of their own, as a user would meet
# them: a first install; an install and an uninstall while the installed program runs, which must end with exit code
# 2 and leave every file as it was; a second install into another folder, refused with exit code 3; an uninstall
# once the program has ended, which removes it. package.sh runs it on the installer it made.
#
# Usage: scripts/windows/installer-test.sh SETUP.EXE
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=env.sh
source "$here/env.sh"
setup=$(realpath "$1")

export WINEPREFIX=$PLINDOR_CACHE/wine-installer-test
rm -rf "$WINEPREFIX"
wineboot --init >/dev/null 2>&1
program_pid=
finish() {
    [ -n "$program_pid" ] && kill -9 "$program_pid" 2>/dev/null
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}
trap finish EXIT

# Wine names the profile folder after the Unix user.
folder=$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Programs/Plindor
failures=0
check() {
    local what=$1 expected=$2 actual=$3
    if [ "$expected" = "$actual" ]; then
        echo "PASS: $what"
    else
        echo "FAIL: $what: expected $expected, got $actual"
        failures=$((failures + 1))
    fi
}
status_of() {
    local status=0
    "$@" >/dev/null 2>&1 || status=$?
    echo "$status"
}
# The state of the installed files: names, sizes and modification times.
files_state() { find "$folder" -type f -printf '%P %s %T@\n' | sort; }

check "a first silent install succeeds" 0 "$(status_of wine "$setup" /S)"
[ -f "$folder/plindor.exe" ] || { echo "FAIL: no plindor.exe in $folder"; exit 1; }
before=$(files_state)

# The installed program, running: it holds its mark from the first moment of its start.
WINEQT_QPA_PLATFORM=offscreen XDG_STATE_HOME=$WINEPREFIX/state wine "$folder/plindor.exe" >/dev/null 2>&1 &
program_pid=$!
for _ in $(seq 100); do
    pgrep -f 'Plindor.plindor\.exe' >/dev/null && break
    sleep 0.2
done
sleep 3
check "a silent install over the running program ends with exit code 2" 2 "$(status_of wine "$setup" /S)"
check "the running program's files are left as they were" "$before" "$(files_state)"
# _?= runs the uninstaller where it is, so that its exit code is its own and not that of a copy it starts.
check "a silent uninstall while the program runs ends with exit code 2" 2 \
    "$(status_of wine "$folder/uninstall.exe" /S "_?=$(plindor_wine_path "$folder")")"
check "the running program's files are still all there" "$before" "$(files_state)"

kill -9 "$program_pid" 2>/dev/null
wait "$program_pid" 2>/dev/null || true
program_pid=
wineserver -w 2>/dev/null || true
# NSIS takes /D= only unquoted, so the folder has no space (Wine would quote the argument).
check "a second install into another folder is refused with exit code 3" 3 \
    "$(status_of wine "$setup" /S "/D=C:\\PlindorElsewhere")"
[ ! -e "$WINEPREFIX/drive_c/PlindorElsewhere/plindor.exe" ] || check "nothing installed elsewhere" absent present
check "an uninstall once the program has ended succeeds" 0 \
    "$(status_of wine "$folder/uninstall.exe" /S "_?=$(plindor_wine_path "$folder")")"
[ ! -e "$folder/plindor.exe" ] || check "plindor.exe removed by the uninstall" absent present

[ $failures -eq 0 ] || { echo "installer-test.sh: $failures check(s) failed"; exit 1; }
echo "installer: every check passed under Wine"
