#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Runs `plindor --self-test` on Qt's Wayland platform under a headless Weston of its own, in a private runtime
# folder with a throw-away profile, and checks that the window gave the compositor the desktop entry's name as
# its app id. Exits 77, the test's skip code, saying why, where Weston or Qt's Wayland plugin is not installed.
#
# Usage: wayland-self-test.sh PROGRAM APP_ID QT_PLATFORM_PLUGIN_FOLDER
# PLINDOR_TEST_PRELOAD, where set, is preloaded into the program alone (LD_PRELOAD), not into Weston.
set -uo pipefail

program=$1
app_id=$2
plugins=$3

skip() {
    echo "SKIP: $*"
    exit 77
}
command -v weston >/dev/null || skip "weston is not installed (Debian: apt-get install weston)"
compgen -G "$plugins/libqwayland-*.so" >/dev/null \
    || skip "Qt's Wayland platform plugin is not in $plugins (Debian: apt-get install qt6-wayland)"

runtime=$(mktemp -d)
chmod 700 "$runtime"
weston_pid=
finish() {
    [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null && wait "$weston_pid" 2>/dev/null
    rm -rf "$runtime"
}
trap finish EXIT

socket=plindor-wayland-test
# Weston's own clients (its shell and keyboard) print to its standard error, which goes with its log: on a machine
# without a cursor theme they say that they could not load the drag cursors, which the test does not need.
XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --socket="$socket" --idle-time=0 \
    --log="$runtime/weston.log" >"$runtime/weston-clients.log" 2>&1 &
weston_pid=$!
for _ in $(seq 200); do
    [ -S "$runtime/$socket" ] && break
    kill -0 "$weston_pid" 2>/dev/null || break
    sleep 0.1
done
if [ ! -S "$runtime/$socket" ]; then
    echo "FAIL: weston did not open its socket; its log:"
    cat "$runtime/weston.log"
    exit 1
fi

# WAYLAND_DEBUG makes the client library print every request, among them the app id the window sets.
XDG_RUNTIME_DIR=$runtime XDG_CONFIG_HOME=$runtime/config WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland \
    WAYLAND_DEBUG=client LD_PRELOAD=${PLINDOR_TEST_PRELOAD:-} "$program" --self-test 2>"$runtime/client.log"
status=$?
if [ "$status" -ne 0 ]; then
    echo "FAIL: $program --self-test exited with $status under Wayland; its messages, protocol left out:"
    grep -v '^\[' "$runtime/client.log"
    echo "weston's log:"
    cat "$runtime/weston.log" "$runtime/weston-clients.log"
    exit 1
fi
if ! grep -qF "set_app_id(\"$app_id\")" "$runtime/client.log"; then
    echo "FAIL: the window did not set the app id $app_id; it set:"
    grep -F 'set_app_id(' "$runtime/client.log" || echo "(none)"
    exit 1
fi
echo "PASS: the window opened and painted under Wayland with the app id $app_id"
