# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Runs lintian, Debian's package checker, on the .deb in PACKAGE_DIR; any error or warning fails.
#   cmake -DPACKAGE_DIR=<folder> -P Lintian.cmake
# An override needs a reason: put it in res/lintian-overrides with a comment saying why, and install that file as
# /usr/share/lintian/overrides/plindor. The one there today is the executable Dolphin service menu.

cmake_minimum_required(VERSION 3.22)

find_program(LINTIAN lintian)
if(NOT LINTIAN)
    # The test's SKIP_REGULAR_EXPRESSION matches this line.
    message(STATUS "lintian is not installed (scripts/setup.sh installs it): the package is not checked")
    return()
endif()
file(GLOB debs ${PACKAGE_DIR}/plindor_*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "expected one plindor .deb in ${PACKAGE_DIR}, found: ${debs}")
endif()

# Info tags are shown as advice; only errors and warnings fail.
execute_process(COMMAND ${LINTIAN} --fail-on error,warning --display-info --tag-display-limit 0 ${debs}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
message(STATUS "lintian ${debs}:\n${output}${errors}")
if(NOT result EQUAL 0)
    message(FATAL_ERROR "lintian found errors or warnings in ${debs} (status ${result})")
endif()
