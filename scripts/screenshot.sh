#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Regenerates docs/screenshot.png: the real program under a virtual X server, with a few files queued.
#
#   scripts/screenshot.sh [SCREEN [SCALE [OUTPUT]]]
#
# SCREEN is the virtual screen in device pixels (default 1366x768), SCALE the interface scale (default 1, e.g. 1.5
# for 150 %). With an OUTPUT other than docs/screenshot.png the whole screen is kept, to show how the window fits.
set -euo pipefail
cd "$(dirname "$0")/.."
screen=${1:-1366x768}
scale=${2:-1}
output=${3:-docs/screenshot.png}
scripts/setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target plindor >/dev/null

# A short, fixed folder name: the queue shows whole paths.
work=/tmp/plindor-demo
rm -rf "$work"
trap 'kill ${app:-} ${xvfb:-} 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/作业" "$work/config" "$work/run"
chmod 700 "$work/run"
for name in "物理期中试卷 高一(3)班.docx" "实验报告_第2组.pdf" "课堂照片.jpg" "教学计划.xlsx"; do
    echo sample >"$work/作业/$name"
done

display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 "${screen}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
DISPLAY=$display QT_SCALE_FACTOR=$scale XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" \
    build/plindor "$work/作业"/* &
app=$!
sleep 3
DISPLAY=$display import -window root "$work/full.png"
if [ "$output" = docs/screenshot.png ]; then
    # The window stands alone on a black screen: trimming the black leaves exactly the window.
    convert "$work/full.png" -bordercolor black -border 1 -trim +repage "$output"
else
    cp "$work/full.png" "$output"
fi
echo "wrote $output"
