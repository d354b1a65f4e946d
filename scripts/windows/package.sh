#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Makes the two Windows release artefacts from a cross build with the "windows" preset:
#   build-windows/plindor-<version>-windows-x64.zip        a folder to unpack and run, nothing installed
#   build-windows/plindor-<version>-windows-x64-setup.exe  an installer for the current user (NSIS)
# Both hold plindor.exe, the Qt and MinGW runtime DLLs it loads, the plugins, Qt's Chinese texts and qt.conf.
# The program's own English texts are built into plindor.exe. Needs the toolchain of build-qt.sh.
#
# Usage: scripts/windows/package.sh
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
# shellcheck source=env.sh
source "$here/env.sh"

plindor_has_toolchain package.sh || exit 1
for tool in makensis zip "$PLINDOR_MINGW_TRIPLE-objdump" "$PLINDOR_MINGW_TRIPLE-strip"; do
    command -v "$tool" >/dev/null || { echo "package.sh: $tool is missing; run scripts/windows/build-qt.sh" >&2; exit 1; }
done

cd "$source_dir"
cmake --preset windows >/dev/null
nice -n 5 cmake --build build-windows -j2 --target plindor
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-windows/CMakeCache.txt)
name=plindor-$version-windows-x64
stage=build-windows/package/Plindor
rm -rf build-windows/package
mkdir -p "$stage"

# The plugins Plindor uses: the window, the style Windows users expect, the journal's SQLite, and the image
# formats of the preview. Qt looks for them in the program's folder (qt.conf below).
plugins=(platforms/qwindows.dll styles/qwindowsvistastyle.dll sqldrivers/qsqlite.dll
    imageformats/qjpeg.dll imageformats/qgif.dll imageformats/qico.dll)

cp build-windows/plindor.exe build-windows/plindor-preview.exe "$stage/"
for plugin in "${plugins[@]}"; do
    [ -f "$PLINDOR_WINDOWS_QT/plugins/$plugin" ] || continue
    mkdir -p "$stage/$(dirname "$plugin")"
    cp "$PLINDOR_WINDOWS_QT/plugins/$plugin" "$stage/$plugin"
done

# Every DLL the program and its plugins import, found among Qt's and MinGW's, and what those import in turn.
# System DLLs (kernel32, user32, …) are found in neither place and stay out.
dll_dirs=("$PLINDOR_WINDOWS_QT/bin" "$PLINDOR_MINGW_GCC_DIR" "$PLINDOR_MINGW_SYSROOT/lib")
imports_of() { "$PLINDOR_MINGW_TRIPLE-objdump" -p "$1" | sed -n 's/^\s*DLL Name: //p'; }
find_dll() {
    local dir
    for dir in "${dll_dirs[@]}"; do
        if [ -f "$dir/$1" ]; then
            echo "$dir/$1"
            return
        fi
    done
    return 0
}
pending=("$stage/plindor.exe" "$stage/plindor-preview.exe")
for plugin in "${plugins[@]}"; do
    if [ -f "$stage/$plugin" ]; then pending+=("$stage/$plugin"); fi
done
while [ ${#pending[@]} -gt 0 ]; do
    binary=${pending[0]}
    pending=("${pending[@]:1}")
    while read -r dll; do
        [ -f "$stage/$dll" ] && continue
        found=$(find_dll "$dll")
        [ -n "$found" ] || continue
        cp "$found" "$stage/$dll"
        pending+=("$stage/$dll")
    done < <(imports_of "$binary")
done
# Unstripped, libstdc++-6.dll alone is 23 MB.
find "$stage" -name '*.dll' -o -name '*.exe' | xargs "$PLINDOR_MINGW_TRIPLE-strip" --strip-unneeded

mkdir -p "$stage/translations"
cp "$PLINDOR_WINDOWS_QT/translations/qtbase_zh_CN.qm" "$stage/translations/"
# Without it Qt takes its prefix to be the folder above its DLLs and finds neither plugins nor texts.
printf '[Paths]\nPrefix = .\nPlugins = .\nTranslations = translations\n' >"$stage/qt.conf"
# Plindor's licence, and Qt's for the DLLs beside it (Debian's base-files has both texts).
cp /usr/share/common-licenses/GPL-3 "$stage/LICENSE.txt"
cp /usr/share/common-licenses/LGPL-3 "$stage/LICENSE-Qt.txt"
# Qt's DLLs carry their own copies of these libraries (and qsqlite.dll SQLite): their notices, from the copyright
# files of Debian's packages of the same libraries.
{
    echo "The Qt DLLs beside plindor.exe contain the following libraries, under these licences."
    for package in libfreetype6:FreeType libjpeg62-turbo:libjpeg libpng16-16:libpng zlib1g:zlib \
        libpcre2-16-0:PCRE2 libharfbuzz0b:HarfBuzz libsqlite3-0:SQLite; do
        notice=/usr/share/doc/${package%%:*}/copyright
        [ -f "$notice" ] || { echo "package.sh: $notice is missing; run scripts/windows/build-qt.sh" >&2; exit 1; }
        printf '\n\n===== %s =====\n\n' "${package#*:}"
        cat "$notice"
    done
} >"$stage/LICENSE-ThirdParty.txt"

rm -f "build-windows/$name.zip"
(cd build-windows/package && zip -q -r -9 "../$name.zip" Plindor)
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$source_dir/$stage" \
    -DOUTFILE="$source_dir/build-windows/$name-setup.exe" -DICON="$source_dir/res/icons/plindor.ico" \
    "$here/installer.nsi"

echo "$(du -sh "$stage" | cut -f1) unpacked, $(ls "$stage"/*.dll | wc -l) DLLs beside the program"
ls -l "build-windows/$name.zip" "build-windows/$name-setup.exe"
"$here/manifests.sh" "$version" "build-windows/$name.zip" "build-windows/$name-setup.exe"
"$here/installer-test.sh" "build-windows/$name-setup.exe"
