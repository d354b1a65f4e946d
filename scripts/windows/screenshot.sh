#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Makes docs/screenshot-windows.png: the packaged plindor.exe under Wine, on Qt's real Windows platform, on a virtual
# 1366×768 screen (a small laptop's), with a few files queued, so that the picture shows how the window fits.
# Run scripts/windows/package.sh first.
#
# Usage: scripts/windows/screenshot.sh [OUTPUT]
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
# shellcheck source=env.sh
source "$here/env.sh"
output=${1:-$source_dir/docs/screenshot-windows.png}
program=$source_dir/build-windows/package/Plindor/plindor.exe
[ -f "$program" ] || { echo "screenshot.sh: no $program; run scripts/windows/package.sh first" >&2; exit 1; }

work=/tmp/plindor-windows-demo
rm -rf "$work"
mkdir -p "$work/作业"
for name in "物理期中试卷 高一(3)班.docx" "课堂照片.jpg" "教学计划.xlsx" "2026-12-07 扫描0001.pdf"; do
    echo sample >"$work/作业/$name"
done

# Wine takes the Windows display language from the locale, which must exist on this machine.
locale -a | grep -qix 'zh_CN.utf8' || {
    echo "screenshot.sh: no zh_CN.UTF-8 locale; enable it in /etc/locale.gen and run locale-gen" >&2
    exit 1
}
display=:$((80 + RANDOM % 9))
Xvfb "$display" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
# A prefix of its own, whose wineserver starts with this display: the tests' one runs without any.
export WINEPREFIX=$PLINDOR_CACHE/wine-display
trap 'wineserver -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
sleep 1
plindor_wine_prefix
files=()
for file in "$work/作业"/*; do files+=("$(plindor_wine_path "$file")"); done
# The program's own DLLs and plugins sit beside it; the build folder's search path is not wanted here.
WINEPATH= WINEQT_PLUGIN_PATH= WINEQT_QPA_FONTDIR= WINEQT_QPA_PLATFORM=windows LC_ALL=zh_CN.UTF-8 \
    wine "$program" "${files[@]}" >/dev/null 2>&1 &
sleep "${PLINDOR_SCREENSHOT_WAIT:-15}"
import -window root "$output"
echo "wrote $output"
