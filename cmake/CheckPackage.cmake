# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Builds the Debian package and checks what it holds and what it depends on.

# Built under the strictest umask: the package's modes must not depend on whoever builds it.
execute_process(COMMAND sh -c "umask 077 && exec \"$0\" \"$@\"" cpack -G DEB -B ${BINARY_DIR}/package-check
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
    ./usr/share/Thunar/sendto/${APP_ID}.desktop
    ./usr/share/kio/servicemenus/plindor-servicemenu.desktop
    ./usr/share/metainfo/${APP_ID}.metainfo.xml
    ./usr/share/icons/hicolor/scalable/apps/plindor.svg
    ./usr/share/doc/plindor/copyright
    ./usr/share/doc/plindor/changelog.gz
    ./usr/share/man/man1/plindor.1.gz)
# The program looks for its PDF module by this path from its own folder.
if(WITH_PDF)
    cmake_path(ABSOLUTE_PATH PDF_MODULE_DIR BASE_DIRECTORY /usr/bin NORMALIZE OUTPUT_VARIABLE module_dir)
    list(APPEND expected .${module_dir}/plindor-pdf.so)
endif()
# The preview helper, found the same way.
cmake_path(ABSOLUTE_PATH HELPER_DIR BASE_DIRECTORY /usr/bin NORMALIZE OUTPUT_VARIABLE helper_dir)
string(REGEX REPLACE "/$" "" helper_dir "${helper_dir}")
list(APPEND expected .${helper_dir}/plindor-preview)
foreach(size 16 32 48 64 128 256)
    list(APPEND expected ./usr/share/icons/hicolor/${size}x${size}/apps/plindor.png)
endforeach()
foreach(path IN LISTS expected)
    string(FIND "${contents}" " ${path}\n" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the package lacks ${path}")
    endif()
endforeach()
if(NOT contents MATCHES "-rwxr-xr-x [^\n]* \\./usr/share/kio/servicemenus/plindor-servicemenu\\.desktop\n")
    message(FATAL_ERROR "the Dolphin service menu is not executable, and Dolphin would not offer it")
endif()
string(REGEX MATCHALL "[^\n]+" entries "${contents}")
foreach(entry IN LISTS entries)
    if(NOT entry MATCHES "^(drwxr-xr-x .*/|-rw-r--r-- .*[^/]|-rwxr-xr-x .* \\./usr/(bin|share/kio/servicemenus)/[^/]+|-rwxr-xr-x .* \\.${helper_dir}/plindor-preview)$")
        message(FATAL_ERROR "not a folder of mode 0755, a file of 0644 or a program or service menu of 0755: ${entry}")
    endif()
endforeach()

# The symbol table alone doubles the program's size; debug information would add far more.
set(unpacked ${BINARY_DIR}/package-check/unpacked)
file(REMOVE_RECURSE ${unpacked})
execute_process(COMMAND dpkg-deb --extract ${debs} ${unpacked} RESULT_VARIABLE result)
foreach(program /usr/bin/plindor ${helper_dir}/plindor-preview)
    execute_process(COMMAND file --brief ${unpacked}${program} OUTPUT_VARIABLE kind)
    if(NOT result EQUAL 0 OR NOT kind MATCHES "^ELF" OR kind MATCHES "not stripped|debug_info")
        message(FATAL_ERROR "the packaged ${program} is not a stripped ELF file: ${kind}")
    endif()
endforeach()

execute_process(COMMAND dpkg-deb --field ${debs} Depends Recommends Version OUTPUT_VARIABLE fields)
message(STATUS "${fields}")
set(needles libqt6widgets6 libqt6sql6-sqlite libicu qt6-qpa-plugins qt6-translations-l10n fcitx5-frontend-qt6
    qt6-wayland "Version: ${VERSION}")
if(WITH_PDF)
    list(APPEND needles libqt6pdf6)
endif()
foreach(needle IN LISTS needles)
    string(FIND "${fields}" "${needle}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the package's control fields lack ${needle}:\n${fields}")
    endif()
endforeach()
