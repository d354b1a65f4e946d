# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Desktop integration: the menu entry, the AppStream metadata and the hicolor icons, and the tests that
# validate them and check a staged install.
#
# The file has two modes. Included from CMakeLists.txt it declares the install rules and the tests.
# Run as `cmake -DPLINDOR_CHECK=<what> ... -P Install.cmake` it is the helper those tests call:
#   PLINDOR_CHECK=missing-tool  fails, naming the validator that configure did not find (TOOL, PACKAGE);
#   PLINDOR_CHECK=staged-install  installs the build tree (BINARY_DIR) into STAGE with DESTDIR and the
#                                 prefix /usr, then checks that every file a desktop needs is there.

set(PLINDOR_APP_ID io.github.plindor.Plindor)
set(PLINDOR_ICON_SIZES 16 32 48 64 128 256)

# Width and height of a PNG, read from its IHDR chunk; empty when the file is no PNG.
function(plindor_png_size file out_width out_height)
    file(READ "${file}" head LIMIT 24 HEX)
    if(NOT head MATCHES "^89504e470d0a1a0a........49484452(........)(........)$")
        set(${out_width} "" PARENT_SCOPE)
        set(${out_height} "" PARENT_SCOPE)
        return()
    endif()
    math(EXPR width "0x${CMAKE_MATCH_1}")
    math(EXPR height "0x${CMAKE_MATCH_2}")
    set(${out_width} ${width} PARENT_SCOPE)
    set(${out_height} ${height} PARENT_SCOPE)
endfunction()

function(plindor_check_staged_install)
    foreach(var BINARY_DIR STAGE SOURCE_DIR DATADIR BINDIR)
        if(NOT DEFINED ${var})
            message(FATAL_ERROR "staged-install check needs -D${var}=...")
        endif()
    endforeach()
    # A stale stage from an earlier run would hide a file that is no longer installed.
    file(REMOVE_RECURSE "${STAGE}")
    set(ENV{DESTDIR} "${STAGE}")
    execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BINARY_DIR}" --prefix /usr
                    RESULT_VARIABLE result OUTPUT_QUIET)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "cmake --install into ${STAGE} failed: ${result}")
    endif()

    # Relative install directories land under the prefix, absolute ones (-DCMAKE_INSTALL_DATADIR=/usr/share) as given.
    foreach(dir DATADIR BINDIR)
        if(IS_ABSOLUTE "${${dir}}")
            set(${dir} "${STAGE}${${dir}}")
        else()
            set(${dir} "${STAGE}/usr/${${dir}}")
        endif()
    endforeach()

    set(failures "")
    # The text files must arrive unchanged; a desktop reads them exactly as written.
    foreach(pair "applications/${PLINDOR_APP_ID}.desktop=res/${PLINDOR_APP_ID}.desktop"
                 "metainfo/${PLINDOR_APP_ID}.metainfo.xml=res/${PLINDOR_APP_ID}.metainfo.xml"
                 "icons/hicolor/scalable/apps/plindor.svg=res/icons/plindor.svg")
        string(REPLACE "=" ";" pair "${pair}")
        list(GET pair 0 installed)
        list(GET pair 1 source)
        if(NOT EXISTS "${DATADIR}/${installed}")
            list(APPEND failures "missing ${DATADIR}/${installed}")
        else()
            execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${DATADIR}/${installed}" "${SOURCE_DIR}/${source}"
                            RESULT_VARIABLE differs)
            if(differs)
                list(APPEND failures "${DATADIR}/${installed} differs from ${source}")
            endif()
        endif()
    endforeach()
    # An icon theme trusts the folder name, so a picture of the wrong size in it would be scaled wrongly.
    foreach(size IN LISTS PLINDOR_ICON_SIZES)
        set(icon "${DATADIR}/icons/hicolor/${size}x${size}/apps/plindor.png")
        if(NOT EXISTS "${icon}")
            list(APPEND failures "missing ${icon}")
            continue()
        endif()
        plindor_png_size("${icon}" width height)
        if(NOT width STREQUAL "${size}" OR NOT height STREQUAL "${size}")
            list(APPEND failures "${icon} is '${width}x${height}', not ${size}x${size}")
        endif()
    endforeach()
    if(NOT EXISTS "${BINDIR}/plindor")
        list(APPEND failures "missing ${BINDIR}/plindor, the Exec= of the desktop entry")
    endif()

    if(failures)
        list(JOIN failures "\n  " report)
        message(FATAL_ERROR "staged install in ${STAGE} is incomplete:\n  ${report}")
    endif()
    message(STATUS "staged install in ${STAGE} holds every desktop file, icon and the program")
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
    if(PLINDOR_CHECK STREQUAL "missing-tool")
        message(FATAL_ERROR "${TOOL} was not found when the build was configured; install ${PACKAGE} and re-run cmake")
    elseif(PLINDOR_CHECK STREQUAL "staged-install")
        plindor_check_staged_install()
    else()
        message(FATAL_ERROR "unknown PLINDOR_CHECK '${PLINDOR_CHECK}'")
    endif()
    return()
endif()

set(PLINDOR_RES ${PROJECT_SOURCE_DIR}/res)
# The tests call this file back in script mode.
set(PLINDOR_INSTALL_SCRIPT ${CMAKE_CURRENT_LIST_FILE})
install(FILES ${PLINDOR_RES}/${PLINDOR_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PLINDOR_RES}/${PLINDOR_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size IN LISTS PLINDOR_ICON_SIZES)
    install(FILES ${PLINDOR_RES}/icons/hicolor/${size}x${size}/apps/plindor.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${PLINDOR_RES}/icons/plindor.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

if(NOT BUILD_TESTING)
    return()
endif()

# A validator that is not installed must fail its test: a skipped check would read as a valid file.
function(plindor_add_validator_test name tool package)
    string(MAKE_C_IDENTIFIER "PLINDOR_${tool}_PROGRAM" program)
    string(TOUPPER "${program}" program)
    find_program(${program} ${tool})
    if(${program})
        add_test(NAME ${name} COMMAND ${${program}} ${ARGN})
    else()
        message(WARNING "${tool} not found (package ${package}); the test ${name} will fail")
        add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -DPLINDOR_CHECK=missing-tool -DTOOL=${tool} -DPACKAGE=${package}
                                      -P ${PLINDOR_INSTALL_SCRIPT})
    endif()
endfunction()

# desktop-file-validate exits 0 on warnings, so its output decides as well.
plindor_add_validator_test(desktop-file-validate desktop-file-validate desktop-file-utils
                           ${PLINDOR_RES}/${PLINDOR_APP_ID}.desktop)
set_tests_properties(desktop-file-validate PROPERTIES FAIL_REGULAR_EXPRESSION "(error|warning):")
# appstreamcli fails on errors and warnings; --no-net keeps it from checking the URLs.
plindor_add_validator_test(appstreamcli-validate appstreamcli appstream
                           validate --no-net ${PLINDOR_RES}/${PLINDOR_APP_ID}.metainfo.xml)

set(PLINDOR_STAGE ${CMAKE_BINARY_DIR}/install-stage)
add_test(NAME install-layout
         COMMAND ${CMAKE_COMMAND} -DPLINDOR_CHECK=staged-install -DBINARY_DIR=${CMAKE_BINARY_DIR}
                 -DSTAGE=${PLINDOR_STAGE} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
                 -DDATADIR=${CMAKE_INSTALL_DATADIR} -DBINDIR=${CMAKE_INSTALL_BINDIR} -P ${PLINDOR_INSTALL_SCRIPT})
set_tests_properties(install-layout PROPERTIES FIXTURES_SETUP plindor_stage)
# On the installed tree appstreamcli also checks that the metadata's launchable desktop entry was installed.
plindor_add_validator_test(appstreamcli-validate-tree appstreamcli appstream validate-tree --no-net ${PLINDOR_STAGE}/usr)
set_tests_properties(appstreamcli-validate-tree PROPERTIES FIXTURES_REQUIRED plindor_stage)
