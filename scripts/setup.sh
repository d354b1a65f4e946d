#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Installs every Debian package that building, running, testing and packaging Plindor needs.
# Safe to run again: it installs only what is missing.
set -euo pipefail

packages=(
    # build
    g++ cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev
    # lupdate and lrelease, and the CMake functions that run them, for the English translation
    qt6-l10n-tools qt6-tools-dev
    # the queue's collation keys, from the same library QCollator uses
    libicu-dev
    # the journal's SQLite driver for Qt SQL
    libqt6sql6-sqlite
    # page 1 of a PDF in the preview (optional at build time)
    qt6-pdf-dev
    # a CJK font, so the Chinese interface renders as text, not boxes; Qt's own texts in Chinese
    fonts-noto-cjk qt6-translations-l10n
    # tests: desktop and AppStream validators, GLib's "Open With" lists, clang for the fuzz targets, formatting check
    desktop-file-utils appstream libglib2.0-bin clang libclang-rt-14-dev clang-format
    # packaging, Debian's package checker, and the screenshot script
    dpkg-dev file lintian xvfb xauth imagemagick
    # the mover's tests on a real FUSE exFAT file system
    exfat-fuse exfatprogs
    # the fault-injecting FUSE file system of the tests
    libfuse3-dev fuse3
    # the Wayland smoke test: a headless compositor and Qt's Wayland platform
    weston qt6-wayland
    # scripts/crashpoints.sh: stops and fails calls, reads the journal, sets extended attributes
    strace sqlite3 attr
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "Installing: ${missing[*]}"
install_missing() {
    "${sudo[@]}" apt-get update -qq &&
        DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
# A mirror that is being synced, or a network that drops a moment, fails a first attempt now and then.
install_missing || {
    echo "Installing failed; trying once more in 10 seconds" >&2
    sleep 10
    install_missing
}
