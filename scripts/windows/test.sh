#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Cross-builds Plindor with the "windows" preset and runs its test suite under Wine, on Qt's offscreen platform.
# Needs the toolchain of build-qt.sh. Extra arguments go to ctest (e.g. -R tst_WindowsMover).
#
# Usage: scripts/windows/test.sh [ctest arguments]
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
# shellcheck source=env.sh
source "$here/env.sh"

plindor_has_toolchain test.sh || exit 1
cd "$source_dir"
cmake --preset windows >/dev/null
nice -n 5 cmake --build build-windows -j2
# A first start makes the Wine prefix (about 11 s); no test should pay for it within its time limit.
plindor_wine_prefix
ctest --test-dir build-windows --output-on-failure "$@"
