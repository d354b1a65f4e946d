#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Builds the soak test optimised and runs a long randomized session against the real window.
# Usage: scripts/soak.sh [actions] [seed]   (defaults: 100000 actions, a random seed)
# A failure prints the seed and the action index; run again with both to replay it.
set -euo pipefail
cd "$(dirname "$0")/.."
actions=${1:-100000}
seed=${2:-$(od -An -N8 -tu8 /dev/urandom | tr -d ' ')}
build=${PLINDOR_SOAK_BUILD:-build-soak}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLINDOR_WERROR=ON -DPLINDOR_BENCH=OFF >/dev/null
cmake --build "$build" --target tst_Soak -j2

echo "soak: seed $seed, $actions actions"
# Qt Test stops a test function after five minutes unless told otherwise.
QT_QPA_PLATFORM=offscreen QTEST_FUNCTION_TIMEOUT=$((24 * 3600 * 1000)) \
    PLINDOR_SOAK_SEED=$seed PLINDOR_SOAK_ACTIONS=$actions "$build/tests/tst_Soak" && status=0 || status=$?
echo "soak: seed $seed, exit status $status"
exit "$status"
