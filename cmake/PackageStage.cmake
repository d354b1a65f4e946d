# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Run by CPack on the staged files before it packs them, to finish what debhelper would do for a Debian package.
#
# Folders are created under the umask of whoever builds, so a umask of 027 or 077 would put 0750 or 0700 folders
# into the package and hide its files from users; Debian wants 0755 folders, 0644 files and 0755 programs, as
# dh_fixperms sets them. Dolphin's service menu is the one file that must stay executable.

file(GLOB_RECURSE entries LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(entry IN LISTS entries)
    if(IS_SYMLINK "${entry}")
        continue()
    elseif(IS_DIRECTORY "${entry}" OR entry MATCHES "/usr/(bin/[^/]+|lib/.*/plindor-preview|share/kio/servicemenus/[^/]+\\.desktop)$")
        file(CHMOD "${entry}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                                          WORLD_EXECUTE)
    else()
        file(CHMOD "${entry}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    endif()
endforeach()

# CPack's strip leaves the compiler's version notes in .comment and .note; dh_strip removes them too. The build-id
# note has a section of its own and stays.
file(GLOB_RECURSE programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*"
     "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/lib/*.so" "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/lib/*plindor-preview")
foreach(program IN LISTS programs)
    execute_process(COMMAND ${CPACK_PLINDOR_STRIP} --remove-section=.comment --remove-section=.note ${program}
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${CPACK_PLINDOR_STRIP} could not remove .comment and .note from ${program}")
    endif()
endforeach()
