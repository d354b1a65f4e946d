# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 GCC, posix thread model: the win32 model of GCC 12
# has no std::thread or std::mutex, which Qt 6 needs. The price is shipping libwinpthread-1.dll.
#
# scripts/windows/build-qt.sh builds Qt with this file and keeps a copy beside that Qt. When that Qt is there,
# this file also points find_package() at it and at the host's Qt tools (moc, rcc, uic, lrelease come from the
# host: a Windows moc cannot run here).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PLINDOR_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PLINDOR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PLINDOR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PLINDOR_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${PLINDOR_MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${PLINDOR_MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")

# Headers and libraries come from the MinGW sysroot (and the Windows Qt), programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${PLINDOR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config too: the host's would hand the Linux libraries (fuse3, for one) to a Windows build.
set(PKG_CONFIG_EXECUTABLE ${PLINDOR_MINGW_TRIPLE}-pkg-config CACHE FILEPATH "pkg-config of the MinGW sysroot")

# The Windows Qt: the cache build-qt.sh fills, or another one named in the environment.
if(DEFINED ENV{PLINDOR_WINDOWS_QT})
    set(PLINDOR_WINDOWS_QT "$ENV{PLINDOR_WINDOWS_QT}")
else()
    set(PLINDOR_WINDOWS_QT "$ENV{HOME}/.cache/plindor/qt-6.4.2-mingw")
endif()
# Qt's own build finds an empty prefix here, so it never picks up a half-installed copy of itself.
if(EXISTS "${PLINDOR_WINDOWS_QT}/lib/cmake/Qt6/Qt6Config.cmake")
    list(PREPEND CMAKE_FIND_ROOT_PATH "${PLINDOR_WINDOWS_QT}")
    list(PREPEND CMAKE_PREFIX_PATH "${PLINDOR_WINDOWS_QT}")
    set(QT_HOST_PATH /usr CACHE PATH "The host's Qt, whose tools the cross build runs")
    # Debian's host Qt keeps its CMake files under the multiarch folder, where Qt does not look by itself.
    set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")
endif()

# Tests and other built programs run under Wine.
find_program(PLINDOR_WINE wine)
if(PLINDOR_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${PLINDOR_WINE})
endif()
