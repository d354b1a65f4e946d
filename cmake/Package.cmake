# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# A Debian package from the same install rules: `cmake --build build --target package`.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME plindor)
set(CPACK_PACKAGE_VENDOR "Plindor developers")
set(CPACK_PACKAGE_CONTACT "Plindor developers <plindor@users.noreply.github.com>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Rename files with ready-made name parts and file them into folders")
set(CPACK_PACKAGE_DESCRIPTION "Plindor renames one queued file at a time from a prefix, a name and a suffix,
offering school terms, today's date, numbered suffixes and custom words, and
moves it into one of five favourite folders in the same click. It never
overwrites an existing file.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Debian ships stripped programs whatever the build type; the symbols stay in the build tree for debugging.
set(CPACK_STRIP_FILES ON)
# Modes that do not depend on the umask, and no compiler notes in the program.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/PackageStage.cmake)
set(CPACK_PLINDOR_STRIP ${CMAKE_STRIP})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://plindor.github.io)
# dpkg-shlibdeps derives the exact library dependencies from the binary.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt finds its platform plugins there, and its own Chinese texts (buttons, folder picker, edit menus) in the
# translations; the font shows the Chinese interface; fcitx5 users type names through it; Qt's Wayland platform
# lets the window run natively in a Wayland session instead of through XWayland. Qt PDF (libqt6pdf6), which draws
# page 1 of a PDF in the preview helper, comes in through dpkg-shlibdeps from its module (see PLINDOR_PDF); the
# helper's system-call filter is written against the kernel's own headers and needs no library;
# CheckPackage.cmake checks that it does.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, fcitx5-frontend-qt6, qt6-wayland")
include(CPack)

if(BUILD_TESTING)
    add_test(NAME debian-package
             COMMAND ${CMAKE_COMMAND} -DBINARY_DIR=${CMAKE_BINARY_DIR} -DAPP_ID=${PLINDOR_APP_ID}
                     -DVERSION=${PROJECT_VERSION}
                     -DWITH_PDF=$<TARGET_EXISTS:Qt6::Pdf> "-DPDF_MODULE_DIR=${PLINDOR_PDF_MODULE_DIR}"
                     "-DHELPER_DIR=${PLINDOR_HELPER_DIR}"
                     -P ${CMAKE_CURRENT_LIST_DIR}/CheckPackage.cmake)
    set_tests_properties(debian-package PROPERTIES TIMEOUT 600 RUN_SERIAL TRUE FIXTURES_SETUP plindor_deb)
    # Debian's own checker on the package debian-package built: any error or warning fails.
    add_test(NAME lintian
             COMMAND ${CMAKE_COMMAND} -DPACKAGE_DIR=${CMAKE_BINARY_DIR}/package-check
                     -P ${CMAKE_CURRENT_LIST_DIR}/Lintian.cmake)
    set_tests_properties(lintian PROPERTIES TIMEOUT 600 FIXTURES_REQUIRED plindor_deb
                                            SKIP_REGULAR_EXPRESSION "lintian is not installed")
endif()
