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
for name in "物理期中试卷 高一(3)班.docx" "课堂照片.jpg" "教学计划.xlsx"; do
    echo sample >"$work/作业/$name"
done

# A scanned worksheet, the first item of the queue (digits sort first), so that the preview shows page 1 of a PDF. Written by hand: one
# A4 page of text and lines in a standard font, with a correct cross-reference table.
worksheet() {
    local LC_ALL=C stream='' y n pdf offsets=() i
    stream+=$'BT /F1 22 Tf 72 770 Td (Physics mid-term test) Tj ET\n'
    stream+=$'BT /F1 12 Tf 72 745 Td (Grade 1, class 3      Name: ________________      Score: ______) Tj ET\n'
    stream+=$'1.2 w 72 732 m 523 732 l S 0.5 w\n'
    y=700
    for n in 1 2 3 4 5 6 7 8; do
        stream+="BT /F1 12 Tf 72 $y Td ($n. Explain the experiment in the figure and give the result.) Tj ET"$'\n'
        stream+="72 $((y - 24)) m 523 $((y - 24)) l S 72 $((y - 44)) m 523 $((y - 44)) l S"$'\n'
        y=$((y - 80))
    done
    local objects=(
        '<< /Type /Catalog /Pages 2 0 R >>'
        '<< /Type /Pages /Kids [3 0 R] /Count 1 >>'
        '<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 4 0 R >> >> /Contents 5 0 R >>'
        '<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>'
        "<< /Length ${#stream} >>"$'\nstream\n'"${stream}endstream"
    )
    pdf=$'%PDF-1.4\n'
    for i in "${!objects[@]}"; do
        offsets+=("${#pdf}")
        pdf+="$((i + 1)) 0 obj"$'\n'"${objects[$i]}"$'\nendobj\n'
    done
    local xref=${#pdf}
    pdf+=$'xref\n0 6\n0000000000 65535 f \n'
    for i in "${offsets[@]}"; do
        pdf+="$(printf '%010d' "$i") 00000 n "$'\n'
    done
    pdf+=$'trailer\n<< /Size 6 /Root 1 0 R >>\nstartxref\n'"$xref"$'\n%%EOF\n'
    printf '%s' "$pdf"
}
worksheet >"$work/作业/2026-12-07 扫描0001.pdf"

display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 "${screen}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
DISPLAY=$display LANG=zh_CN.UTF-8 QT_SCALE_FACTOR=$scale XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" \
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
