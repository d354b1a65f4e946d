# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Sourced by the Windows scripts: where the cross-built Qt and the Wine prefix live, and how programs run there.
# Paths are fixed: Qt's installed CMake files name the prefix they were installed to, so the cache only works
# where it was built.

PLINDOR_QT_VERSION=6.4.2
PLINDOR_CACHE=${PLINDOR_CACHE:-$HOME/.cache/plindor}
PLINDOR_WINDOWS_QT=${PLINDOR_WINDOWS_QT:-$PLINDOR_CACHE/qt-$PLINDOR_QT_VERSION-mingw}
# build-qt.sh writes it last, so a build that stopped half-way is never taken for a toolchain.
PLINDOR_WINDOWS_QT_STAMP=$PLINDOR_WINDOWS_QT/.plindor-complete
PLINDOR_MINGW_TRIPLE=x86_64-w64-mingw32
# The MinGW runtime DLLs that ship beside the program.
PLINDOR_MINGW_GCC_DIR=/usr/lib/gcc/$PLINDOR_MINGW_TRIPLE/12-posix
PLINDOR_MINGW_SYSROOT=/usr/$PLINDOR_MINGW_TRIPLE
export PLINDOR_CACHE PLINDOR_WINDOWS_QT

# True when build-qt.sh finished; else says so for the script named in $1 and is false.
plindor_has_toolchain() {
    [ -f "$PLINDOR_WINDOWS_QT_STAMP" ] && return 0
    [ -n "${1:-}" ] && echo "$1: no Windows Qt in $PLINDOR_WINDOWS_QT; run scripts/windows/build-qt.sh first" >&2
    return 1
}

# Wine: a prefix of its own, not the user's ~/.wine, and none of its debug chatter in the test output.
export WINEPREFIX=${WINEPREFIX:-$PLINDOR_CACHE/wine}
export WINEDEBUG=${WINEDEBUG:--all}
# Wine keeps host variables that start with QT_ from Windows programs; it passes WINEQT_X on as QT_X.
export WINEQT_QPA_PLATFORM=${WINEQT_QPA_PLATFORM:-offscreen}
# Without a console, QTest and qDebug write to the Windows debug output, which nobody reads.
export WINEQT_FORCE_STDERR_LOGGING=1
# Windows spelling of a host path, through Wine's Z: drive (winepath would start Wine just for this).
plindor_wine_path() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
# Qt's and MinGW's DLLs, and Qt's plugins, for programs run straight from a build folder.
export WINEPATH="$(plindor_wine_path "$PLINDOR_WINDOWS_QT/bin");$(plindor_wine_path "$PLINDOR_MINGW_GCC_DIR");$(plindor_wine_path "$PLINDOR_MINGW_SYSROOT/lib")"
export WINEQT_PLUGIN_PATH="$(plindor_wine_path "$PLINDOR_WINDOWS_QT/plugins")"

# Qt's offscreen platform on Windows reads its fonts from one folder, not from the system: without any, every text
# is zero pixels wide and no window can be laid out. The tests get the faces they get on Linux.
PLINDOR_WINE_FONTS=$PLINDOR_CACHE/wine-fonts
export WINEQT_QPA_FONTDIR="$(plindor_wine_path "$PLINDOR_WINE_FONTS")"
plindor_wine_fonts() {
    [ -d "$PLINDOR_WINE_FONTS" ] && return
    mkdir -p "$PLINDOR_WINE_FONTS"
    ln -s /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf \
        /usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc /usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc \
        "$PLINDOR_WINE_FONTS/"
}

# Makes the Wine prefix on first use (about 11 seconds) and has it report Windows 10, the oldest Windows Qt 6
# supports; Wine 8 reports Windows 7 by default.
plindor_wine_prefix() {
    plindor_wine_fonts
    [ -f "$WINEPREFIX/.plindor-ready" ] && return
    wine wineboot --init >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.plindor-ready"
}
