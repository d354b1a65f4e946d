# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# The manual page is written by hand (the program prints its help in Chinese, which help2man cannot read), so this
# keeps it honest: the options and arguments of its OPTIONS section must be those that `PLINDOR --help` lists.
#   cmake -DPLINDOR=<program> -DMANPAGE=<plindor.1> -P CheckManPage.cmake

cmake_minimum_required(VERSION 3.22)

execute_process(COMMAND ${PLINDOR} --help OUTPUT_VARIABLE help ERROR_VARIABLE errors RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${PLINDOR} --help failed (${result}):\n${errors}")
endif()

# The help's rows are indented by two spaces, and two spaces end the name column; what starts with '-' is an
# option (its value placeholder, if any, is no option name), the rest are arguments.
string(REPLACE ";" "," help "${help}")
string(REPLACE "\n" ";" help_lines "${help}")
set(help_options "")
set(help_arguments "")
foreach(line IN LISTS help_lines)
    if(line MATCHES "^  (-[^ ]+( [^ ]+)*)  ")
        string(REGEX MATCHALL "(^| )--?[A-Za-z0-9][A-Za-z0-9-]*" names "${CMAKE_MATCH_1}")
        list(TRANSFORM names STRIP)
        list(APPEND help_options ${names})
    elseif(line MATCHES "^  ([^ -][^ ]*)  ")
        list(APPEND help_arguments ${CMAKE_MATCH_1})
    endif()
endforeach()

# In the page, each option or argument is the line after a .TP of the OPTIONS section, in roff: "\-" is a hyphen
# and \fB...\fR or .B/.BR/.I switch fonts.
file(READ ${MANPAGE} page)
if(NOT page MATCHES "\n\\.SH OPTIONS\n(.*)")
    message(FATAL_ERROR "${MANPAGE} has no OPTIONS section")
endif()
string(REGEX REPLACE "\n\\.SH .*" "" options_section "${CMAKE_MATCH_1}")
string(REPLACE ";" "," options_section "${options_section}")
string(REPLACE "\n" ";" page_lines "${options_section}")
set(page_options "")
set(page_arguments "")
set(after_tp FALSE)
foreach(line IN LISTS page_lines)
    if(after_tp)
        string(REGEX REPLACE "\\\\f[BIRP]" "" line "${line}")
        string(REPLACE "\\-" "-" line "${line}")
        string(REPLACE "\"" "" line "${line}")
        if(line MATCHES "^\\.I ([^ -][^ ]*)$")
            list(APPEND page_arguments ${CMAKE_MATCH_1})
        else()
            string(REGEX MATCHALL "(^| )--?[A-Za-z0-9][A-Za-z0-9-]*" names "${line}")
            list(TRANSFORM names STRIP)
            list(APPEND page_options ${names})
        endif()
    endif()
    string(COMPARE EQUAL "${line}" ".TP" after_tp)
endforeach()

set(failures "")
foreach(kind options arguments)
    if(NOT help_${kind})
        list(APPEND failures "found no ${kind} in the output of --help:\n${help}")
    endif()
    foreach(name IN LISTS help_${kind})
        if(NOT name IN_LIST page_${kind})
            list(APPEND failures "--help lists '${name}', the manual page's OPTIONS section does not")
        endif()
    endforeach()
    foreach(name IN LISTS page_${kind})
        if(NOT name IN_LIST help_${kind})
            list(APPEND failures "the manual page lists '${name}', --help does not")
        endif()
    endforeach()
endforeach()
if(failures)
    list(JOIN failures "\n  " report)
    message(FATAL_ERROR "${MANPAGE} and --help disagree:\n  ${report}")
endif()
message(STATUS "the manual page documents exactly the options (${help_options}) and arguments (${help_arguments}) "
               "of --help")
