#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Regenerates the committed images in res/: the hicolor icon PNGs from res/icons/*.svg and the
# one-bit banners from the slogans below, Chinese and English. Run it after editing either SVG or a slogan, then
# commit the PNGs; the English banner's accessible name in res/translations/plindor_en.ts says the same words.
# Needs rsvg-convert (librsvg2-bin), ImageMagick's convert (imagemagick) and Noto Sans CJK SC (fonts-noto-cjk).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
res="$root/res"
banner_text='拖入文件 · 改好名字 · 归入文件夹'
banner_text_en='Drop in · Rename · File away'
banner_font='Noto Sans CJK SC'

for tool in rsvg-convert convert fc-list; do
    command -v "$tool" >/dev/null || { echo "make-icons: $tool is missing" >&2; exit 1; }
done
# A silent fallback font would change the banner without anyone noticing.
fc-list ":family=$banner_font" family | grep -q . || { echo "make-icons: font '$banner_font' is missing" >&2; exit 1; }

# The 16 pixel icon comes from its own pixel-grid drawing; the large drawing turns to mush at that size.
for size in 16 32 48 64 128 256; do
    src="$res/icons/plindor.svg"
    [ "$size" -eq 16 ] && src="$res/icons/plindor-small.svg"
    out="$res/icons/hicolor/${size}x${size}/apps/plindor.png"
    mkdir -p "$(dirname "$out")"
    rsvg-convert --width "$size" --height "$size" --keep-aspect-ratio "$src" --output "$out"
    echo "wrote ${out#"$root"/}"
done

# The Windows program's icon: one file with the sizes Explorer and the taskbar ask for.
icons="$res/icons/hicolor"
convert "$icons/16x16/apps/plindor.png" "$icons/32x32/apps/plindor.png" "$icons/48x48/apps/plindor.png" \
    "$icons/64x64/apps/plindor.png" "$icons/256x256/apps/plindor.png" "$res/icons/plindor.ico"
echo "wrote res/icons/plindor.ico"

# A banner is drawn four times too large and boxed down, which thresholds to cleaner strokes than
# rendering at size; the PNG is written as true one-bit greyscale without time stamps.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
banner() {
    local text=$1 out=$2
    cat >"$tmp/banner.svg" <<SVG
<svg xmlns="http://www.w3.org/2000/svg" width="353" height="33" viewBox="0 0 353 33">
  <rect width="353" height="33" fill="#ffffff"/>
  <text x="176.5" y="24" text-anchor="middle" font-family="$banner_font" font-size="20" fill="#000000">$text</text>
</svg>
SVG
    rsvg-convert --zoom 4 "$tmp/banner.svg" --output "$tmp/banner-4x.png"
    convert "$tmp/banner-4x.png" -colorspace Gray -filter box -resize '353x33!' -threshold 50% -type Bilevel -strip \
        -define png:bit-depth=1 -define png:color-type=0 -define png:exclude-chunks=date,time "$res/$out"
    echo "wrote res/$out"
}
banner "$banner_text" banner.png
banner "$banner_text_en" banner_en.png
