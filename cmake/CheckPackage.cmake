# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Builds the Debian package and checks what it holds and what it depends on.

execute_process(COMMAND cpack -G DEB -B ${BINARY_DIR}/package-check
                WORKING_DIRECTORY ${BINARY_DIR} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cpack failed:\n${output}")
endif()
file(GLOB debs ${BINARY_DIR}/package-check/plindor_*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "expected one plindor .deb, found: ${debs}")
endif()

execute_process(COMMAND dpkg-deb --contents ${debs} OUTPUT_VARIABLE contents RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "dpkg-deb cannot read ${debs}")
endif()
message(STATUS "${contents}")
set(expected
    ./usr/bin/plindor
    ./usr/share/applications/${APP_ID}.desktop
    ./usr/share/metainfo/${APP_ID}.metainfo.xml
    ./usr/share/icons/hicolor/scalable/apps/plindor.svg)
foreach(size 16 32 48 64 128 256)
    list(APPEND expected ./usr/share/icons/hicolor/${size}x${size}/apps/plindor.png)
endforeach()
foreach(path IN LISTS expected)
    string(FIND "${contents}" " ${path}\n" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the package lacks ${path}")
    endif()
endforeach()

execute_process(COMMAND dpkg-deb --field ${debs} Depends Recommends Version OUTPUT_VARIABLE fields)
message(STATUS "${fields}")
foreach(needle libqt6widgets6 qt6-qpa-plugins qt6-translations-l10n fcitx5-frontend-qt6 "Version: 1.0.0.1")
    string(FIND "${fields}" "${needle}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the package's control fields lack ${needle}:\n${fields}")
    endif()
endforeach()
