#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Sets up the machine, then builds and runs the whole test suite twice, headless: once as shipped
# (warnings are errors) and once under AddressSanitizer and UndefinedBehaviorSanitizer; then fuzzes briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export QT_QPA_PLATFORM=offscreen

# The sources are found without git, so that an exported release tree is checked the same way. Hidden folders and
# build folders (any folder holding a CMakeCache.txt) are skipped.
find . -mindepth 1 -type d \( -path './.*' -o -exec test -e '{}/CMakeCache.txt' \; \) -prune \
    -o -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 clang-format --dry-run -Werror

run_suite() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DPLINDOR_WERROR=ON "$@"
    cmake --build "$dir"
    ctest --test-dir "$dir" --output-on-failure
}

run_suite build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Every call of a move across file systems killed, and failed with EIO, in turn; scripts/crashpoints.sh without
# --quick covers every operation kind, a second start at each point, and ENOSPC.
if [ "$(id -u)" -eq 0 ]; then
    PLINDOR_BUILD_DIR=build-test scripts/crashpoints.sh --quick
else
    echo "crash points skipped: scripts/crashpoints.sh mounts file systems and needs root"
fi
# A short libFuzzer run of every target on top of the replayed corpus; scripts/fuzz.sh takes longer runs.
scripts/fuzz.sh 15
run_suite build-sanitize -DCMAKE_BUILD_TYPE=Debug -DPLINDOR_SANITIZE=ON -DPLINDOR_BENCH=OFF
# The Windows leg: the cross build's suite under Wine and the two release artefacts, where this machine has the
# toolchain. scripts/windows/build-qt.sh builds it once, in about 35 minutes, which CI does not pay for; a prebuilt
# copy beside the source tree (../shared/toolchains) is unpacked in seconds instead, so CI runs the leg every time.
# shellcheck source=windows/env.sh
source scripts/windows/env.sh
plindor_has_toolchain || scripts/windows/build-qt.sh --prebuilt-only || true
if plindor_has_toolchain; then
    scripts/windows/test.sh
    scripts/windows/package.sh
else
    echo "Windows leg SKIPPED: no Windows toolchain on this machine (scripts/windows/build-qt.sh makes one)"
fi
