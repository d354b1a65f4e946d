#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Brings res/translations/plindor_en.ts up to date with the texts marked for translation in the sources: new
# texts are added unfinished, texts no longer in the sources are dropped. Translate the new entries afterwards,
# in Qt Linguist (`linguist res/translations/plindor_en.ts`) or by hand; tst_Translation fails while a Chinese
# text has no finished English one. Uses the build folder given, or build/.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
scripts/setup.sh
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --target update_translations
git diff --stat -- res/translations 2>/dev/null || true
