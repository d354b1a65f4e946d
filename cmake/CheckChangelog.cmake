# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Checks the reader of Changelog.cmake on entries the real CHANGELOG does not have yet, and that Debian's own parser
# reads CHANGELOG as the reader does.
#   cmake -DCHANGELOG=<CHANGELOG> -DWORK=<scratch folder> -P CheckChangelog.cmake

cmake_minimum_required(VERSION 3.22)
include(${CMAKE_CURRENT_LIST_DIR}/Changelog.cmake)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

set(trailer " -- A B <a@example.org>  Sat, 1 May 2027 10:00:00 +0200")
string(CONCAT old_entry "plindor (1.0) unstable; urgency=medium\n\n  * First release.\n\n"
       " -- A B <a@example.org>  Tue, 08 Dec 2026 12:00:00 +0000\n")
file(WRITE ${WORK}/two-entries "plindor (1.1~rc1) unstable; urgency=low\n\n"
                               "  * Names with & and <b>; kept\n    as text.\n  * No\n\n${trailer}\n\n" "${old_entry}")
plindor_read_changelog(${WORK}/two-entries releases version date)
set(expected [[
    <release version="1.1~rc1" date="2027-05-01">
      <description>
        <ul>
          <li>Names with &amp; and &lt;b&gt;; kept as text.</li>
          <li>No</li>
        </ul>
      </description>
    </release>
    <release version="1.0" date="2026-12-08">
      <description>
        <ul>
          <li>First release.</li>
        </ul>
      </description>
    </release>]])
if(NOT releases STREQUAL expected OR NOT version STREQUAL "1.1~rc1" OR NOT date STREQUAL "2027-05-01")
    message(FATAL_ERROR "two entries read as ${version}, ${date}:\n${releases}\n"
                        "expected 1.1~rc1, 2027-05-01:\n${expected}")
endif()

# What would be lost from the metainfo or break the package's changelog must stop the build, saying why.
set(header "plindor (1.0) unstable\\; urgency=low\n\n")
set(broken_cases
    "stray-line|not part of a Debian changelog entry|${header}  * A change.\nnot indented\n${trailer}\n"
    "no-trailer|lacks its|${header}  * A change.\n"
    "no-change|lists no change|${header}${trailer}\n"
    "bad-date|is not a date|${header}  * A change.\n\n -- A B <a@example.org>  2027-05-01\n"
    "empty|or there is none|\n")
file(WRITE ${WORK}/read.cmake "include(${CMAKE_CURRENT_LIST_DIR}/Changelog.cmake)\n"
                              "plindor_read_changelog(\${FILE} releases version date)\n")
foreach(case IN LISTS broken_cases)
    string(REGEX MATCH "^([a-z-]+)\\|([^|]+)\\|(.*)$" parts "${case}")
    set(name ${CMAKE_MATCH_1})
    set(reason ${CMAKE_MATCH_2})
    set(text "${CMAKE_MATCH_3}")
    file(WRITE ${WORK}/${name} "${text}")
    execute_process(COMMAND ${CMAKE_COMMAND} -DFILE=${WORK}/${name} -P ${WORK}/read.cmake
                    RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
    # CMake wraps its messages, so the reason is sought with the line breaks taken out.
    string(REGEX REPLACE "[ \n]+" " " errors "${errors}")
    if(result EQUAL 0 OR NOT errors MATCHES "${reason}")
        message(FATAL_ERROR "the changelog '${name}' was not refused for '${reason}' (status ${result}): ${errors}")
    endif()
endforeach()

plindor_read_changelog(${CHANGELOG} releases version date)
execute_process(COMMAND dpkg-parsechangelog -l ${CHANGELOG} -S Version OUTPUT_VARIABLE debian_version
                OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT debian_version STREQUAL version)
    message(FATAL_ERROR "dpkg-parsechangelog reads version '${debian_version}' (status ${result}), "
                        "Changelog.cmake '${version}'")
endif()
message(STATUS "CHANGELOG is at ${version} of ${date} for Debian's parser too")
