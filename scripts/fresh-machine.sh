#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Runs CI as a new user's machine would: a minimal Debian 12 made by debootstrap (nothing but its base
# installed), an exported source tree without .git and without git, and `bash .ci/run` inside it as root.
# Reports how long it took and whether it passed. Needs root, debootstrap and a Debian mirror; the base system is
# made once and kept (a tarball in the cache folder), so a later run starts from the same minimal machine.
#
# Usage: scripts/fresh-machine.sh [--keep] [--shell] [-- COMMAND…]
#   --keep    leave the machine's folder behind for a look (its path is printed)
#   --shell   open a shell in the machine after the run instead of leaving at once
#   COMMAND   run this inside the source tree instead of `bash .ci/run`
# Environment: PLINDOR_FRESH_CACHE (default ~/.cache/plindor/fresh-machine), PLINDOR_FRESH_MIRROR.
set -euo pipefail
cd "$(dirname "$0")/.."
source_tree=$PWD

keep=false
shell=false
command=(bash .ci/run)
while [ $# -gt 0 ]; do
    case $1 in
    --keep) keep=true ;;
    --shell) shell=true keep=true ;;
    --) shift; command=("$@"); break ;;
    *) echo "usage: $0 [--keep] [--shell] [-- COMMAND…]" >&2; exit 2 ;;
    esac
    shift
done

[ "$(id -u)" -eq 0 ] || { echo "$0: needs root (debootstrap, chroot and mounts)" >&2; exit 2; }
command -v debootstrap >/dev/null || apt-get install -y -qq --no-install-recommends debootstrap

cache=${PLINDOR_FRESH_CACHE:-$HOME/.cache/plindor/fresh-machine}
mirror=${PLINDOR_FRESH_MIRROR:-http://deb.debian.org/debian}
base=$cache/bookworm-minbase.tar
mkdir -p "$cache"
if [ ! -s "$base" ]; then
    echo "Making a minimal Debian 12 once (debootstrap --variant=minbase), kept in $base"
    rm -rf "$cache/base-work"
    debootstrap --variant=minbase bookworm "$cache/base-work" "$mirror" >"$cache/debootstrap.log" 2>&1 \
        || { tail -20 "$cache/debootstrap.log"; exit 1; }
    tar -C "$cache/base-work" -cf "$base.part" .
    rm -rf "$cache/base-work"
    mv "$base.part" "$base"
fi

machine=$(mktemp -d /var/tmp/plindor-fresh.XXXXXX)
mounted=()
finish() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[i]}" 2>/dev/null || true; done
    if $keep; then
        echo "The machine stays in $machine"
    else
        rm -rf --one-file-system "$machine"
    fi
}
trap finish EXIT

echo "Unpacking the base system into $machine"
tar -C "$machine" -xf "$base"
echo "deb $mirror bookworm main" >"$machine/etc/apt/sources.list"
echo "deb $mirror bookworm-updates main" >>"$machine/etc/apt/sources.list"
cp /etc/resolv.conf "$machine/etc/resolv.conf"

# The machine's kernel facilities: processes, devices (FUSE and loop devices for the tests' file systems) and a
# private /dev/shm; its /tmp is its own folder on disk, as a machine's is. The source tree's sibling shared/ folder comes along read-only, as CI lays it.
bind() {
    mkdir -p "$machine$2"
    mount "${@:3}" "$1" "$machine$2"
    mounted+=("$machine$2")
}
bind proc /proc -t proc
bind sysfs /sys -t sysfs
bind /dev /dev --rbind
mount --make-rslave "$machine/dev"
bind tmpfs /dev/shm -t tmpfs

# An exported tree: the files git tracks (or, without git, the folder less its build folders), no .git.
mkdir -p "$machine/work/main"
if [ -d .git ] && command -v git >/dev/null; then
    git -C "$source_tree" archive --format=tar HEAD | tar -x -C "$machine/work/main"
    echo "Source: $(git -C "$source_tree" rev-parse --short HEAD), exported without .git"
else
    tar -C "$source_tree" --exclude=.git --exclude='./build*' -c . | tar -x -C "$machine/work/main"
fi
if [ -d ../shared ]; then
    cp -a ../shared "$machine/work/shared"
    chmod -R a-w "$machine/work/shared"
fi

echo "Running: ${command[*]} (in a fresh Debian 12, as root)"
start=$(date +%s)
status=0
chroot "$machine" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    TERM=dumb LANG=C.UTF-8 CI=true /bin/bash -c 'cd /work/main && "$@"' bash "${command[@]}" </dev/null \
    || status=$?
elapsed=$(($(date +%s) - start))
printf 'fresh machine: %s after %dm%02ds (exit %d)\n' "$([ $status -eq 0 ] && echo PASSED || echo FAILED)" \
    $((elapsed / 60)) $((elapsed % 60)) "$status"
if $shell; then
    chroot "$machine" /bin/bash -c 'cd /work/main && exec bash -i' || true
fi
exit "$status"
