#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Writes the manifests that the Windows package managers install the release from, with the artefacts' SHA-256:
#   packaging/windows/winget/Plindor.Plindor{,.installer,.locale.en-US}.yaml   the installer, per user (NSIS)
#   packaging/windows/scoop/plindor.json                                      the zip, for a bucket of our own
# Then checks their shape offline: every field the two tools require is there, and each hash is the file's.
# package.sh runs it after making the artefacts; it can be run again on its own.
#
# Usage: scripts/windows/manifests.sh VERSION ZIP INSTALLER
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
version=$1 zip=$2 installer=$3
# The release's files are published under this address; the manifests point there.
release=https://github.com/plindor/plindor/releases/download/v$version
homepage=https://plindor.github.io

sha_of() { sha256sum "$1" | cut -d' ' -f1; }
winget=$source_dir/packaging/windows/winget
scoop=$source_dir/packaging/windows/scoop
mkdir -p "$winget" "$scoop"
id=Plindor.Plindor
schema=1.6.0

cat >"$winget/$id.yaml" <<EOF
# Made by scripts/windows/manifests.sh
PackageIdentifier: $id
PackageVersion: $version
DefaultLocale: en-US
ManifestType: version
ManifestVersion: $schema
EOF

cat >"$winget/$id.installer.yaml" <<EOF
# Made by scripts/windows/manifests.sh
PackageIdentifier: $id
PackageVersion: $version
InstallerType: nullsoft
Scope: user
InstallModes:
  - interactive
  - silent
UpgradeBehavior: install
Installers:
  - Architecture: x64
    InstallerUrl: $release/$(basename "$installer")
    InstallerSha256: $(sha_of "$installer" | tr a-f A-F)
ManifestType: installer
ManifestVersion: $schema
EOF

cat >"$winget/$id.locale.en-US.yaml" <<EOF
# Made by scripts/windows/manifests.sh
PackageIdentifier: $id
PackageVersion: $version
PackageLocale: en-US
Publisher: Plindor developers
PublisherUrl: $homepage
PackageName: Plindor
PackageUrl: $homepage
License: GPL-3.0-or-later
ShortDescription: Rename queued files with ready-made name parts and file them into your favourite folders, one click each.
Tags:
  - rename
  - files
  - organizer
ManifestType: defaultLocale
ManifestVersion: $schema
EOF

cat >"$scoop/plindor.json" <<EOF
{
    "version": "$version",
    "description": "Rename queued files with ready-made name parts and file them into your favourite folders, one click each.",
    "homepage": "$homepage",
    "license": "GPL-3.0-or-later",
    "architecture": {
        "64bit": {
            "url": "$release/$(basename "$zip")",
            "hash": "$(sha_of "$zip")"
        }
    },
    "extract_dir": "Plindor",
    "bin": "plindor.exe",
    "shortcuts": [["plindor.exe", "Plindor"]],
    "persist": []
}
EOF

# The offline check: the fields each tool refuses a manifest without, the version everywhere, and the hashes.
failed=0
require() {
    local file=$1 pattern=$2
    grep -Eq "$pattern" "$file" || { echo "manifests.sh: $(basename "$file") lacks $pattern" >&2; failed=1; }
}
for file in "$winget"/*.yaml; do
    for field in PackageIdentifier PackageVersion ManifestType ManifestVersion; do
        require "$file" "^$field: [^ ]"
    done
    require "$file" "^PackageVersion: $version\$"
done
for field in Publisher PackageName License ShortDescription PackageLocale; do
    require "$winget/$id.locale.en-US.yaml" "^$field: [^ ]"
done
require "$winget/$id.installer.yaml" "^InstallerType: nullsoft\$"
require "$winget/$id.installer.yaml" "^    InstallerUrl: https://.*-x64-setup\\.exe\$"
require "$winget/$id.installer.yaml" "^    InstallerSha256: $(sha_of "$installer" | tr a-f A-F)\$"
for field in version description homepage license url hash bin; do
    require "$scoop/plindor.json" "\"$field\": "
done
require "$scoop/plindor.json" "\"hash\": \"$(sha_of "$zip")\""
require "$scoop/plindor.json" "\"version\": \"$version\""
[ $failed -eq 0 ] || exit 1
echo "manifests: winget ($id $version, nullsoft, per user) and scoop, hashes checked, in packaging/windows/"
