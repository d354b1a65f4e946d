# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Desktop integration and documents: the menu entry, the AppStream metadata, the hicolor icons, the manual page,
# the copyright and the changelog, and the tests that validate them and check a staged install.
#
# The file has two modes. Included from CMakeLists.txt it declares the install rules and the tests.
# Run as `cmake -DPLINDOR_CHECK=<what> ... -P Install.cmake` it is the helper those tests call:
#   PLINDOR_CHECK=missing-tool  fails, naming the validator that configure did not find (TOOL, PACKAGE);
#   PLINDOR_CHECK=staged-install  installs the build tree (BINARY_DIR) into STAGE with DESTDIR and the
#                                 prefix /usr, then checks that every file a desktop needs is there, and the
#                                 documents (GENERATED is where configure wrote the files it made).

# CMakeLists.txt names the app id; the helper mode is handed it on its command line.
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
    foreach(var BINARY_DIR STAGE SOURCE_DIR GENERATED DATADIR BINDIR DOCDIR MANDIR)
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
    foreach(dir DATADIR BINDIR DOCDIR MANDIR)
        if(IS_ABSOLUTE "${${dir}}")
            set(${dir} "${STAGE}${${dir}}")
        else()
            set(${dir} "${STAGE}/usr/${${dir}}")
        endif()
    endforeach()

    set(failures "")
    # The files must arrive unchanged; a desktop reads them exactly as written.
    foreach(pair "${DATADIR}/applications/${PLINDOR_APP_ID}.desktop=${SOURCE_DIR}/res/${PLINDOR_APP_ID}.desktop"
                 "${DATADIR}/Thunar/sendto/${PLINDOR_APP_ID}.desktop=${SOURCE_DIR}/res/sendto/${PLINDOR_APP_ID}.desktop"
                 "${DATADIR}/kio/servicemenus/plindor-servicemenu.desktop=${SOURCE_DIR}/res/sendto/plindor-servicemenu.desktop"
                 "${DATADIR}/metainfo/${PLINDOR_APP_ID}.metainfo.xml=${GENERATED}/${PLINDOR_APP_ID}.metainfo.xml"
                 "${DATADIR}/icons/hicolor/scalable/apps/plindor.svg=${SOURCE_DIR}/res/icons/plindor.svg"
                 "${DOCDIR}/copyright=${SOURCE_DIR}/docs/copyright"
                 "${DOCDIR}/changelog.gz=${GENERATED}/changelog.gz"
                 "${MANDIR}/man1/plindor.1.gz=${GENERATED}/plindor.1.gz")
        string(REPLACE "=" ";" pair "${pair}")
        list(GET pair 0 installed)
        list(GET pair 1 source)
        if(NOT EXISTS "${installed}")
            list(APPEND failures "missing ${installed}")
        else()
            execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${installed}" "${source}"
                            RESULT_VARIABLE differs)
            if(differs)
                list(APPEND failures "${installed} differs from ${source}")
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
    set(servicemenu "${DATADIR}/kio/servicemenus/plindor-servicemenu.desktop")
    if(EXISTS "${servicemenu}")
        execute_process(COMMAND test -x "${servicemenu}" RESULT_VARIABLE not_executable)
        if(not_executable)
            list(APPEND failures "${servicemenu} is not executable, and Dolphin would not offer it")
        endif()
    endif()
    if(NOT EXISTS "${BINDIR}/plindor")
        list(APPEND failures "missing ${BINDIR}/plindor, the Exec= of the desktop entry")
    endif()

    if(failures)
        list(JOIN failures "\n  " report)
        message(FATAL_ERROR "staged install in ${STAGE} is incomplete:\n  ${report}")
    endif()
    message(STATUS "staged install in ${STAGE} holds every desktop file, icon, document and the program")
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

# The files made from CHANGELOG and the templates, written when the build is configured.
set(PLINDOR_GENERATED ${PROJECT_BINARY_DIR}/generated)
set(PLINDOR_CHANGELOG ${PROJECT_SOURCE_DIR}/CHANGELOG)
include(${CMAKE_CURRENT_LIST_DIR}/Changelog.cmake)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PLINDOR_CHANGELOG})
plindor_read_changelog(${PLINDOR_CHANGELOG} PLINDOR_RELEASES PLINDOR_RELEASE_VERSION PLINDOR_RELEASE_DATE)
if(NOT PLINDOR_RELEASE_VERSION STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "CHANGELOG's newest entry is ${PLINDOR_RELEASE_VERSION}, the project is ${PROJECT_VERSION}: "
                        "add an entry for this version to CHANGELOG")
endif()
configure_file(${PLINDOR_RES}/${PLINDOR_APP_ID}.metainfo.xml.in ${PLINDOR_GENERATED}/${PLINDOR_APP_ID}.metainfo.xml
               @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/docs/plindor.1.in ${PLINDOR_GENERATED}/plindor.1 @ONLY)
# Debian wants both compressed at the highest level, with no name or time in the header that would make two builds
# differ.
find_program(PLINDOR_GZIP gzip REQUIRED)
foreach(pair "${PLINDOR_CHANGELOG}=changelog.gz" "${PLINDOR_GENERATED}/plindor.1=plindor.1.gz")
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 source)
    list(GET pair 1 compressed)
    execute_process(COMMAND ${PLINDOR_GZIP} -9 -n -c ${source} OUTPUT_FILE ${PLINDOR_GENERATED}/${compressed}
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "gzip could not compress ${source}")
    endif()
endforeach()

install(FILES ${PLINDOR_RES}/${PLINDOR_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# "Send to Plindor" in the file managers that read a system-wide folder of such entries. Dolphin runs a service menu
# only when it is executable.
install(FILES ${PLINDOR_RES}/sendto/${PLINDOR_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/Thunar/sendto)
install(FILES ${PLINDOR_RES}/sendto/plindor-servicemenu.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/kio/servicemenus
        PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Tells lintian why that one desktop entry is executable.
install(FILES ${PLINDOR_RES}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME plindor)
install(FILES ${PLINDOR_GENERATED}/${PLINDOR_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/docs/copyright ${PLINDOR_GENERATED}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PLINDOR_GENERATED}/plindor.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
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
plindor_add_validator_test(desktop-file-validate-sendto desktop-file-validate desktop-file-utils
                           ${PLINDOR_RES}/sendto/${PLINDOR_APP_ID}.desktop)
set_tests_properties(desktop-file-validate-sendto PROPERTIES FAIL_REGULAR_EXPRESSION "(error|warning):")
# appstreamcli fails on errors and warnings; --no-net keeps it from checking the URLs.
plindor_add_validator_test(appstreamcli-validate appstreamcli appstream
                           validate --no-net ${PLINDOR_GENERATED}/${PLINDOR_APP_ID}.metainfo.xml)

set(PLINDOR_STAGE ${CMAKE_BINARY_DIR}/install-stage)
add_test(NAME install-layout
         COMMAND ${CMAKE_COMMAND} -DPLINDOR_CHECK=staged-install -DPLINDOR_APP_ID=${PLINDOR_APP_ID}
                 -DBINARY_DIR=${CMAKE_BINARY_DIR}
                 -DSTAGE=${PLINDOR_STAGE} -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DGENERATED=${PLINDOR_GENERATED}
                 -DDATADIR=${CMAKE_INSTALL_DATADIR} -DBINDIR=${CMAKE_INSTALL_BINDIR} -DDOCDIR=${CMAKE_INSTALL_DOCDIR}
                 -DMANDIR=${CMAKE_INSTALL_MANDIR} -P ${PLINDOR_INSTALL_SCRIPT})
set_tests_properties(install-layout PROPERTIES FIXTURES_SETUP plindor_stage)
# On the installed tree appstreamcli also checks that the metadata's launchable desktop entry was installed.
plindor_add_validator_test(appstreamcli-validate-tree appstreamcli appstream validate-tree --no-net ${PLINDOR_STAGE}/usr)
set_tests_properties(appstreamcli-validate-tree PROPERTIES FIXTURES_REQUIRED plindor_stage)

add_test(NAME man-page-options
         COMMAND ${CMAKE_COMMAND} -DPLINDOR=$<TARGET_FILE:plindor> -DMANPAGE=${PLINDOR_GENERATED}/plindor.1
                 -P ${CMAKE_CURRENT_LIST_DIR}/CheckManPage.cmake)
# --help needs no screen, but the application object wants a platform all the same.
set_tests_properties(man-page-options PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
add_test(NAME changelog-reader
         COMMAND ${CMAKE_COMMAND} -DCHANGELOG=${PLINDOR_CHANGELOG} -DWORK=${CMAKE_BINARY_DIR}/changelog-check
                 -P ${CMAKE_CURRENT_LIST_DIR}/CheckChangelog.cmake)
