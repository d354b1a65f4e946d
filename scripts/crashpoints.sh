#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Stops one operation at every call that changes a file or the journal, one call at a time, and checks what the next
# start finds. Each operation runs in tests/plindor_crashdriver, which records the intent, moves and records the
# outcome in the window's order. A traced run counts the calls; then for every call and every n up to its count:
#
#   kill    the driver is killed on entering the nth call; two new starts at once settle the journal
#   delay   the driver is held at the nth call while a second process starts and settles the journal, then goes on
#   eio     the nth call fails with EIO
#   enospc  the nth call fails with ENOSPC
#   eread   the nth read, pread64, statx or newfstatat on our folders or the journal fails with EIO
#   beside  killed as kill; then, while a second driver holds its own owner lock with a move of its own in flight, a
#           third start settles: the old intent is settled, the running one's left to it and its move done whole
#   noowner killed as kill; then starts find the owners folder without a free inode, then read-only: they may
#           neither settle nor journal a move, and lose nothing; once it works again a start settles
#   settlekill  killed as kill; then the settling start is killed at each of its own calls, and two starts settle
#
# and after each: the item is there exactly once, at its old or its new path, identical and with its extended
# attribute; no other file changed; nothing of ours is left unless the start named it; the journal opens and holds no
# unfinished intent and gives the operation the state that says where the item is; a success the driver reported is
# real; and an undo after the restart works or refuses, losing nothing.
#
# Usage: scripts/crashpoints.sh [--quick] [--modes kill,delay,eio,enospc] [--point CALL:N] [operation...]
#   --quick   the move across file systems only, killed at every call and with EIO at every call but SQLite's
#             page writes, and beside and noowner at its copy (for CI)
#   --point   only the nth call of that name, as a failure's report gives it
#   PLINDOR_BUILD_DIR (default build) holds tests/plindor_crashdriver; PLINDOR_CRASH_DELAY_US (default 1000000) is
#   how long the delay mode holds the driver. Needs root (mounts), strace, sqlite3, attr; exFAT needs exfat-fuse.
# Exits 1 when any check failed.
set -euo pipefail
cd "$(dirname "$0")/.."
# Folder listings below are globs: they must show hidden names, and nothing for an empty folder.
shopt -s dotglob nullglob

# ---- What is run: the one list of operations, the modes and the calls ----

ALL_OPERATIONS=(rename move-same move-across rename-nolinks move-nolinks case-exfat undo-across redo-across
    number-across folder-same link-across big-across)

# Each operation: where the item starts, the folder and name the move sends it to, the abilities the mover goes
# without, and the step that is traced (run: the move; undo: its undo; redo: the redo after an undo); then what the
# item is (file, folder, link, big: over 64 MiB) and whether its name is taken, so that the window's switch numbers it.
# A is a tmpfs, B another tmpfs, X a FUSE exFAT image.
define_operation() {
    case $1 in
    rename) operation "$A/in/item.dat" "$A/in" renamed.dat "" run ;;
    move-same) operation "$A/in/item.dat" "$A/out" moved.dat "" run ;;
    move-across) operation "$A/in/item.dat" "$B/out" moved.dat "" run ;;
    rename-nolinks) operation "$A/in/item.dat" "$A/in" renamed.dat noreplace,links run ;;
    move-nolinks) operation "$A/in/item.dat" "$A/out" moved.dat noreplace,links run ;;
    case-exfat) operation "$X/in/item.dat" "$X/in" ITEM.dat "" run ;;
    undo-across) operation "$A/in/item.dat" "$B/out" moved.dat "" undo ;;
    redo-across) operation "$A/in/item.dat" "$B/out" moved.dat "" redo ;;
    number-across) operation "$A/in/item.dat" "$B/out" moved.dat "" run file number ;;
    # A folder is moved only within its file system: across, the program refuses it.
    folder-same) operation "$A/in/item.d" "$A/out" moved.d "" run folder ;;
    link-across) operation "$A/in/item.lnk" "$B/out" moved.lnk "" run link ;;
    big-across) operation "$A/in/item.dat" "$B/out" moved.dat "" run big ;;
    *)
        echo "unknown operation $1 (known: ${ALL_OPERATIONS[*]})" >&2
        exit 2
        ;;
    esac
}

ALL_MODES=(kill delay eio enospc eread beside noowner settlekill)
CALLS=(openat write pwrite64 copy_file_range fsync fdatasync linkat link renameat2 rename unlink unlinkat fchmod fchown
    utimensat fsetxattr mkdir mkdirat rmdir ftruncate)
# The calls that only look, which the eread mode fails with EIO where they touch our folders or the journal.
LOOK_CALLS=(read pread64 statx newfstatat)

BUILD=${PLINDOR_BUILD_DIR:-build}
DRIVER=$(realpath -m "$BUILD/tests/plindor_crashdriver")
DELAY_US=${PLINDOR_CRASH_DELAY_US:-1000000}
ATTRIBUTE=user.plindor.check
ATTRIBUTE_VALUE=kept-across

# ---- Mounts and clean-up ----

WORK=$(mktemp -d /tmp/plindor-crashpoints.XXXXXX)
A=$WORK/a
B=$WORK/b
X=$WORK/x
JOURNAL=$WORK/state/journal.sqlite
RUN=$WORK/run
MOUNTED=()
LOOP=""
ROOTS=("$A" "$B")
EXFAT_PROBLEM=""

cleanup() {
    local point
    for point in "${MOUNTED[@]}"; do
        umount -l "$point" 2>/dev/null || true
    done
    # A loop device still held by its detached mount is freed once that lets go.
    [ -z "$LOOP" ] || [[ $LOOP != /dev/* ]] || losetup -d "$LOOP" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

mount_all() {
    mkdir -p "$A" "$B" "$X" "$RUN"
    # What settle_without_owner mounts, should a run end in between.
    MOUNTED+=("$WORK/state/owners")
    mount -t tmpfs -o size=160m tmpfs "$A" && MOUNTED+=("$A")
    mount -t tmpfs -o size=160m tmpfs "$B" && MOUNTED+=("$B")
    if ! command -v mkfs.exfat >/dev/null || ! command -v mount.exfat-fuse >/dev/null; then
        EXFAT_PROBLEM="needs the packages exfatprogs and exfat-fuse"
        return
    fi
    # The FUSE driver wants a block device, as a stick is.
    truncate -s 32M "$WORK/exfat.img"
    if ! mkfs.exfat "$WORK/exfat.img" >/dev/null 2>&1 || ! LOOP=$(losetup --find --show "$WORK/exfat.img" 2>&1); then
        EXFAT_PROBLEM="cannot make a loop device for the exFAT image: ${LOOP:-mkfs.exfat failed}"
        return
    fi
    if ! mount.exfat-fuse "$LOOP" "$X" >/dev/null 2>&1; then
        EXFAT_PROBLEM="cannot mount a FUSE exFAT image (no /dev/fuse?)"
        return
    fi
    MOUNTED+=("$X")
    ROOTS+=("$X")
}

# ---- One operation's paths ----

# Sets ORIGIN, FOLDER, NAME, WITHOUT, STEP, KIND, NUMBER, FROM and TO (where the traced step finds the item and
# where it sends it). A taken name sends it under the first numbered one.
operation() {
    ORIGIN=$1 FOLDER=$2 NAME=$3 WITHOUT=$4 STEP=$5 KIND=${6:-file} NUMBER=${7:-}
    local moved=$FOLDER/$NAME
    [ -z "$NUMBER" ] || moved=$FOLDER/${NAME%.*}_2.${NAME##*.}
    if [ "$STEP" = undo ]; then
        FROM=$moved TO=$ORIGIN
    else
        FROM=$ORIGIN TO=$moved
    fi
    FOLDERS=("${FROM%/*}")
    [ "${TO%/*}" = "${FOLDERS[0]}" ] || FOLDERS+=("${TO%/*}")
}

move_args() {
    MOVE=(run "$JOURNAL" "$ORIGIN" "$FOLDER" "$NAME")
    [ -z "$WITHOUT" ] || MOVE+=(--without "$WITHOUT")
    [ -z "$NUMBER" ] || MOVE+=(--number)
}

# The traced step's driver arguments, in ACTION.
action_args() {
    case $STEP in
    run) move_args && ACTION=("${MOVE[@]}") ;;
    undo) ACTION=(undo "$JOURNAL") ;;
    redo) ACTION=(redo "$JOURNAL" "$ENTRY") ;;
    esac
}

# ---- A fresh start for every run ----

master_item() {
    rm -rf "$WORK/master"
    case $KIND in
    file) head -c 300001 /dev/urandom >"$WORK/master" ;;
    big) head -c $((64 * 1024 * 1024 + 4097)) /dev/urandom >"$WORK/master" ;;
    link) ln -s "../elsewhere/target.dat" "$WORK/master" ;;
    folder)
        mkdir -p "$WORK/master/inner"
        head -c 70001 /dev/urandom >"$WORK/master/one.dat"
        head -c 3000 /dev/urandom >"$WORK/master/inner/two.dat"
        ;;
    esac
    ITEM_SUM=$(item_sum "$WORK/master")
}

# A file by its contents, a link by where it points, a folder by its names, types and files' contents.
item_sum() {
    if [ -L "$1" ]; then
        echo "link $(readlink "$1")"
    elif [ -d "$1" ]; then
        (cd "$1" && find . -printf '%y %p\n' | sort && find . -type f -exec sha256sum {} + | sort) | sha256sum
    else
        sha256sum <"$1"
    fi | cut -d' ' -f1
}

keeps_attributes() {
    local probe=$1/.attribute-probe ok=0
    : >"$probe"
    setfattr -n "$ATTRIBUTE" -v probe "$probe" 2>/dev/null || ok=1
    rm -f "$probe"
    return $ok
}

# The files that must come through untouched: in each folder one unrelated file and two at names like the item's.
# Made once per operation; BYSTANDERS lists their paths, bystanders.sum their contents.
make_bystanders() {
    local folder name
    rm -rf "$WORK/bystanders" && mkdir -p "$WORK/bystanders"
    for name in bystander.txt "${TO##*/}~" "${FROM##*/}.bak" ${NUMBER:+"$NAME"}; do
        head -c 2000 /dev/urandom >"$WORK/bystanders/$name"
    done
    declare -gA BYSTANDERS=()
    for folder in "${FOLDERS[@]}"; do
        for name in "$WORK/bystanders"/*; do
            BYSTANDERS[$folder/${name##*/}]=1
        done
    done
}

# Empty folders, a journal as a start of the window leaves it, the item and the bystanders; then the steps before
# the traced one.
fresh_start() {
    local folder
    rm -rf "$WORK/state" "$RUN" "${ROOTS[@]/%//in}" "${ROOTS[@]/%//out}"
    mkdir -p "$WORK/state" "$RUN" "${ORIGIN%/*}" "$FOLDER"
    : >"$RUN/allowed"
    for folder in "${FOLDERS[@]}"; do
        cp "$WORK/bystanders"/* "$folder/"
    done
    cp -a "$WORK/master" "$ORIGIN"
    [ "$WANT_ATTRIBUTE" = 0 ] || setfattr -n "$ATTRIBUTE" -v "$ATTRIBUTE_VALUE" "$ORIGIN"
    cp "$WORK/journal.sqlite" "$JOURNAL"
    ENTRY=""
    if [ "$STEP" != run ]; then
        move_args
        ENTRY=$("$DRIVER" "${MOVE[@]}" | sed -n 's/^intent //p') || true
        [ "${ENTRY:-0}" -gt 0 ] || die "setting up $OP: the move did not happen"
    fi
    if [ "$STEP" = redo ]; then
        "$DRIVER" undo "$JOURNAL" >/dev/null || die "setting up $OP: the undo did not happen"
    fi
    action_args
}

# Once per operation: the bystanders and their sums, and whether the item's attribute can be expected to come along.
prepare_operation() {
    local folder
    master_item
    make_bystanders
    rm -rf "${ROOTS[@]/%//in}" "${ROOTS[@]/%//out}"
    mkdir -p "${ORIGIN%/*}" "$FOLDER"
    WANT_ATTRIBUTE=0
    if [ "$KIND" != link ] && keeps_attributes "${FROM%/*}" && keeps_attributes "${TO%/*}"; then
        WANT_ATTRIBUTE=1
    fi
    (cd "$WORK/bystanders" && sha256sum ./* | sed "s|  \./|  |") >"$WORK/bystanders.one"
    : >"$WORK/bystanders.sum"
    for folder in "${FOLDERS[@]}"; do
        sed "s|  |  $folder/|" "$WORK/bystanders.one" >>"$WORK/bystanders.sum"
    done
}

die() {
    echo "crashpoints: $*" >&2
    exit 2
}

# ---- Counting the calls of one clean run ----

syscall_number() {
    printf '#include <sys/syscall.h>\nSYS_%s\n' "$1" | cpp -P | tail -n 1
}

# Fills POINTS with "call n" for every call the traced step makes; of openat, only the creating ones.
count_calls() {
    local trace=$WORK/trace.$OP pid call
    fresh_start
    local traced
    traced=$(
        IFS=,
        echo "${CALLS[*]},${LOOK_CALLS[*]}"
    )
    # -y names each descriptor's file, which tells a read of ours from one of the libraries'.
    strace -f -qq -y -o "$trace" -e trace="$traced" "$DRIVER" "${ACTION[@]}" >"$RUN/out" 2>"$RUN/err" ||
        die "$OP: the clean run failed: $(cat "$RUN/out" "$RUN/err")"
    # strace pads the process id; the first line's is the driver's main thread.
    pid=$(awk 'NR == 1 { print $1 }' "$trace")
    if awk -v pid="$pid" '$1 != pid { found = 1 } END { exit !found }' "$trace"; then
        echo "note: $OP: other threads make calls too; only the first thread's are counted" >&2
    fi
    POINTS=()
    for call in "${CALLS[@]}"; do
        mapfile -t -O "${#POINTS[@]}" POINTS < <(awk -v pid="$pid" -v call="$call" '
            $1 == pid && index($2, call "(") == 1 {
                ++n
                if (call != "openat" || /O_CREAT|O_TMPFILE/) print call " " n
            }' "$trace")
    done
    LOOK_POINTS=()
    for call in "${LOOK_CALLS[@]}"; do
        mapfile -t -O "${#LOOK_POINTS[@]}" LOOK_POINTS < <(awk -v pid="$pid" -v call="$call" -v work="$WORK" '
            $1 == pid && index($2, call "(") == 1 { ++n; if (index($0, work)) print call " " n }' "$trace")
    done
    echo "$OP: ${#POINTS[@]} crash points, ${#LOOK_POINTS[@]} looks:" \
        "$(awk '{ print $1 }' <(printf '%s\n' "${POINTS[@]}") | uniq -c | awk '{ printf "%s×%s ", $2, $1 }')"
}

# ---- The checks ----

FAILS=()
STAGE=""
fail() {
    FAILS+=("${STAGE:+$STAGE: }$*")
}

# What loses no file but is worth the developer's eye: it is reported and counted, and fails nothing.
NOTES=()
note() {
    NOTES+=("$*")
}

# The folder's listing, not a lookup: a file system that ignores case answers a lookup under either spelling.
listed() {
    local entry
    for entry in "${1%/*}"/*; do
        [ "$entry" = "$1" ] && return 0
    done
    return 1
}

# The item at exactly one of the two paths (or at `$1` when given), whole and with its attribute. Sets AT. At both
# only where the driver said so: the source, already under its hidden name, could not be removed and went back,
# and the copy stays (MoveError::SourceNotRemoved, 19).
check_item() {
    local want=${1:-} path places=()
    for path in "$FROM" "$TO"; do
        listed "$path" && places+=("$path")
    done
    AT=""
    if [ ${#places[@]} -eq 2 ] && grep -q ' error=19 ' "$RUN/out" 2>/dev/null &&
        [ "$(item_sum "$FROM")" = "$(item_sum "$TO")" ]; then
        places=("$FROM")
    fi
    if [ ${#places[@]} -ne 1 ]; then
        fail "item at ${#places[@]} of its old and new paths (${places[*]:-nowhere})"
        return
    fi
    AT=${places[0]}
    if [ -n "$want" ] && [ "$AT" != "$want" ]; then
        fail "$2 but the item is at $AT, not $want"
    fi
    if [ "$(item_sum "$AT")" != "$ITEM_SUM" ]; then
        fail "item at $AT differs from the original"
    elif [ "$WANT_ATTRIBUTE" = 1 ] &&
        [ "$(getfattr --only-values -n "$ATTRIBUTE" "$AT" 2>/dev/null)" != "$ATTRIBUTE_VALUE" ]; then
        fail "item at $AT lost its extended attribute"
    fi
}

check_bystanders() {
    local changed
    changed=$(sha256sum --quiet -c "$WORK/bystanders.sum" 2>&1) || fail "a bystander changed: ${changed//$'\n'/ }"
}

# Anything in the folders that is neither a bystander nor the item must be named by a start's settling.
check_leftovers() {
    local folder entry
    for folder in "${FOLDERS[@]}"; do
        while IFS= read -r -d '' entry; do
            [ "$entry" = "$FROM" ] || [ "$entry" = "$TO" ] && continue
            [ -n "${BYSTANDERS[$entry]:-}" ] && continue
            grep -qxF -- "$entry" "$RUN/allowed" && continue
            fail "left behind: $entry"
        done < <(printf '%s\0' "$folder"/*)
    done
}

# A journal kept aside loses the history, not a file; unless it still held an intent nobody settled.
check_journal() {
    local answer aside
    for aside in "$JOURNAL".corrupt-*; do
        [[ $aside == *-wal || $aside == *-shm ]] && continue
        answer=$(sqlite3 "$aside" "PRAGMA quick_check; SELECT count(*) FROM operations WHERE state = 0;" 2>&1 |
            tr '\n' ' ') || true
        if [ "$answer" = "ok 0 " ]; then
            note "the journal, readable, was kept aside and a new one begun"
        else
            fail "the journal was kept aside, unsettled: $answer"
        fi
    done
    answer=$(sqlite3 "$JOURNAL" "PRAGMA quick_check; SELECT count(*) FROM operations WHERE state = 0;" 2>&1 |
        tr '\n' ' ') || true
    [ "$answer" = "ok 0 " ] || fail "journal: $answer(want: quick_check ok, 0 intents left)"
}

# A start: the journal opened and settled. What it names may stay. A second start that finds the journal locked by
# the running one does without it, and leaves it where it is: then there is nothing for it to settle.
settle() {
    local rc=0
    "$DRIVER" settle "$JOURNAL" >"$RUN/settle.$1" 2>&1 || rc=$?
    settled "$1" $rc
}

# Two starts at once after the kill, as two windows opened together: one settles each intent, once.
settle_twice() {
    local first second rc1=0 rc2=0
    "$DRIVER" settle "$JOURNAL" >"$RUN/settle.restart" 2>&1 &
    first=$!
    "$DRIVER" settle "$JOURNAL" >"$RUN/settle.restart-too" 2>&1 &
    second=$!
    wait $first || rc1=$?
    wait $second || rc2=$?
    settled restart $rc1
    settled restart-too $rc2
    local ids
    ids=$(cat "$RUN/settle.restart" "$RUN/settle.restart-too" | awk '/^settled/ { print $2 }' | sort | uniq -d)
    [ -z "$ids" ] || fail "intent $ids settled by both starts"
}

# What a start said: its exit status and what it names.
settled() {
    local out=$RUN/settle.$1 rc=$2
    if [[ $1 == during-pause || $1 == restart-too ]] && [ $rc -eq 1 ] && grep -q 'journal-unavailable' "$out" &&
        ! grep -q 'journal-kept-aside' "$out"; then
        return 0
    fi
    [ $rc -eq 0 ] || fail "settle ($1) exit $rc: $(head -c 300 "$out" | tr '\n' ' ')"
    grep -o 'left-at .*' "$out" | cut -d' ' -f2- >>"$RUN/allowed" || true
    grep '^settled' "$out" >>"$RUN/findings" || true
}

# Right after the traced step: a success it reported must be real.
check_reported() {
    local rc=$1
    STAGE="as reported"
    if [ "$rc" -eq 0 ]; then
        check_item "$TO" "reported success"
    elif [ "$rc" -ne 1 ]; then
        fail "exit $rc: $(tail -c 300 "$RUN/err" | tr '\n' ' ')"
    fi
}

# After the restart: undo either works and puts the item where it says, or refuses with a reason.
check_undo() {
    local rc=0 out=$RUN/undo.out
    "$DRIVER" undo "$JOURNAL" >"$out" 2>&1 || rc=$?
    if [ $rc -eq 0 ]; then
        local target
        target=$(sed -n 's/^undone [0-9]* .* -> //p' "$out")
        check_item "$target" "undo after restart reported success"
    elif [ $rc -eq 1 ] && grep -qE '^(refused|failed)' "$out"; then
        check_item
    else
        fail "undo after restart: exit $rc without a reason: $(head -c 300 "$out" | tr '\n' ' ')"
    fi
}

# The state the journal gives the traced step's operation must say where the item is.
check_journal_agrees() {
    local state want
    # The traced step's operation: the set-up's move, or the first one recorded (a setup's own moves come later).
    state=$(sqlite3 "$JOURNAL" "SELECT state FROM operations WHERE id = ${ENTRY:-(SELECT min(id) FROM operations)};" \
        2>/dev/null) || return 0
    [ -n "$state" ] && [ -n "$AT" ] || return 0
    case $STEP:$AT in
    run:"$TO" | redo:"$TO") want=1 ;;
    run:"$FROM") want=3 ;;
    undo:"$TO" | redo:"$FROM") want=2 ;;
    undo:"$FROM") want=1 ;;
    esac
    # A wrong state sends the next undo or redo after an item that is not where it says: a fault, not a note.
    [ "$state" = "$want" ] ||
        fail "the journal gives state $state (0 intended, 1 done, 2 undone, 3 failed) while the item is at $AT"
}

check_all() {
    STAGE="after restart"
    check_item
    check_journal_agrees
    check_bystanders
    check_leftovers
    check_journal
    STAGE="after undo"
    check_undo
    check_bystanders
}

# ---- One crash point in one mode ----

# Waits until the driver sits at the delayed call: traced-stopped in that call for three looks in a row.
wait_for_pause() {
    local tracer=$1 number=$2 child="" seen=0 state syscall
    while kill -0 "$tracer" 2>/dev/null; do
        [ -n "$child" ] || child=$(pgrep -P "$tracer" | head -n 1 || true)
        if [ -n "$child" ]; then
            state=$(awk '{ print $3 }' "/proc/$child/stat" 2>/dev/null || true)
            syscall=$(cut -d' ' -f1 "/proc/$child/syscall" 2>/dev/null || true)
            if [ "$state" = t ] && [ "$syscall" = "$number" ]; then
                seen=$((seen + 1))
                [ $seen -ge 3 ] && return 0
            else
                seen=0
            fi
        fi
        sleep 0.02
    done
    return 1
}

inject_rule() {
    local mode=$1 call=$2 n=$3
    case $mode in
    kill) echo "$call:signal=KILL:when=$n" ;;
    delay) echo "$call:delay_enter=$DELAY_US:when=$n" ;;
    eio) echo "$call:error=EIO:when=$n" ;;
    enospc) echo "$call:error=ENOSPC:when=$n" ;;
    eread) echo "$call:error=EIO:when=$n" ;;
    *) echo "$call:signal=KILL:when=$n" ;;
    esac
}

# Runs a command, its output in RUN/out and err, and prints its exit status; in a subshell of its own, so that the
# shell does not announce every kill.
quietly() {
    ("$@" >"$RUN/out" 2>"$RUN/err" && echo 0) 2>/dev/null || echo $?
}

# The modes whose traced step is killed.
is_killed() {
    [[ $1 == kill || $1 == beside || $1 == noowner || $1 == settlekill ]]
}

# ---- The setups after a kill ----

# A second item, out of the checked folders, that a driver of its own moves across while the checks run.
SIDE_FROM=""
SIDE_TO=""
start_side_move() {
    SIDE_FROM=$A/side/other.dat SIDE_TO=$B/side/other.dat
    rm -rf "$A/side" "$B/side" && mkdir -p "$A/side" "$B/side"
    head -c 200003 /dev/urandom >"$SIDE_FROM"
    SIDE_SUM=$(sha256sum <"$SIDE_FROM" | cut -d' ' -f1)
    strace -f -qq -o "$RUN/side.strace" -e trace=copy_file_range -e inject="copy_file_range:delay_enter=$DELAY_US:when=1" \
        "$DRIVER" run "$JOURNAL" "$SIDE_FROM" "$B/side" other.dat >"$RUN/side.out" 2>&1 &
    SIDE=$!
}

# The side move over: done, whole, at its new path alone, and no start settled it.
check_side_move() {
    local rc=0 id
    wait "$SIDE" || rc=$?
    STAGE="the running one"
    [ $rc -eq 0 ] || fail "its move exit $rc: $(head -c 300 "$RUN/side.out" | tr '\n' ' ')"
    [ ! -e "$SIDE_FROM" ] || fail "still at $SIDE_FROM"
    [ "$(sha256sum <"$SIDE_TO" 2>/dev/null | cut -d' ' -f1)" = "$SIDE_SUM" ] || fail "not whole at $SIDE_TO"
    [ "$(printf '%s\n' "$A/side"/* "$B/side"/* | wc -l)" -eq 1 ] || fail "left behind: $(echo "$A/side"/* "$B/side"/*)"
    id=$(sed -n 's/^intent //p' "$RUN/side.out")
    ! grep -q "^settled ${id:-none} " "$RUN/findings" 2>/dev/null || fail "a start settled its intent $id"
    # Its move is the latest: undone here, so that the checks' undo is of the traced step's.
    "$DRIVER" undo "$JOURNAL" >"$RUN/side.undo" 2>&1 || fail "its undo: $(head -c 300 "$RUN/side.undo" | tr '\n' ' ')"
    [ "$(sha256sum <"$SIDE_FROM" 2>/dev/null | cut -d' ' -f1)" = "$SIDE_SUM" ] || fail "its undo left it elsewhere"
    STAGE="after restart"
}

# A crash's intent beside a program that is running: the third start settles the one and leaves the other alone.
settle_beside_running() {
    start_side_move
    if ! wait_for_pause "$SIDE" "$(syscall_number copy_file_range)"; then
        fail "the running one never reached its copy: $(head -c 300 "$RUN/side.out" | tr '\n' ' ')"
    fi
    settle restart
    check_side_move
}

# What the journal holds of the operations, to compare before and after a start without its lock.
operations_now() {
    sqlite3 "$JOURNAL" "SELECT id, state, source, destination, owner FROM operations ORDER BY id;" 2>&1
}

# One start with the owners folder unusable: it says the journal is unavailable, settles nothing, records nothing;
# the move it is asked for is one it cannot journal, and is not made.
start_without_owner() {
    local how=$1 before listing rc=0
    before=$(operations_now) listing=$(listing_now)
    "$DRIVER" settle "$JOURNAL" >"$RUN/settle.$how" 2>&1 || rc=$?
    if [ $rc -ne 1 ] || ! grep -q '^journal-unavailable' "$RUN/settle.$how" || grep -q '^settled' "$RUN/settle.$how"; then
        fail "settle with the owners folder $how: exit $rc: $(head -c 300 "$RUN/settle.$how" | tr '\n' ' ')"
    fi
    rm -rf "$A/side" "$B/side" && mkdir -p "$A/side" "$B/side"
    head -c 1000 /dev/urandom >"$A/side/other.dat"
    rc=0
    "$DRIVER" run "$JOURNAL" "$A/side/other.dat" "$B/side" other.dat >"$RUN/side.out" 2>&1 || rc=$?
    if [ $rc -ne 1 ] || [ ! -f "$A/side/other.dat" ] || [ -e "$B/side/other.dat" ]; then
        fail "a move across with the owners folder $how: exit $rc, $(tr '\n' ' ' <"$RUN/side.out")"
    fi
    [ "$(operations_now)" = "$before" ] || fail "the journal changed with the owners folder $how"
    [ "$(listing_now)" = "$listing" ] || fail "the folders changed with the owners folder $how"
}

listing_now() {
    find "${FOLDERS[@]}" -printf '%p %y %i %s %T@\n' | sort
}

settle_without_owner() {
    local owners=$WORK/state/owners
    STAGE="without owner lock"
    mkdir -p "$owners"
    mount -t tmpfs -o size=1m,nr_inodes=1 tmpfs "$owners" && start_without_owner "without-inodes"
    umount "$owners" || fail "cannot unmount $owners"
    mount -t tmpfs -o ro,size=1m tmpfs "$owners" && start_without_owner "read-only"
    umount "$owners" || fail "cannot unmount $owners"
    STAGE="after restart"
    settle restart
}

# The settling start killed at each of its calls in turn, from the same kill of the traced step each time; then two
# starts settle what it left.
settle_killed() {
    local call=$1 n=$2 calls=() point call2 m rule traced rc
    traced=$(
        IFS=,
        echo "${CALLS[*]}"
    )
    strace -f -qq -o "$RUN/settle.strace" -e trace="$traced" "$DRIVER" settle "$JOURNAL" >/dev/null 2>&1
    # Of openat, as in count_calls, only the creating ones.
    mapfile -t calls < <(awk 'NR == 1 { pid = $1 } $1 == pid {
            name = $2; sub(/\(.*/, "", name); ++seen[name]
            if (name != "openat" || /O_CREAT|O_TMPFILE/) print name " " seen[name] }' "$RUN/settle.strace")
    for point in "${calls[@]}"; do
        read -r call2 m <<<"$point"
        fresh_start
        rule=$(inject_rule kill "$call" "$n")
        quietly strace -f -qq -o "$RUN/strace.log" -e trace="$call" -e inject="$rule" "$DRIVER" "${ACTION[@]}" >/dev/null
        STAGE="settle killed at $call2:$m"
        rc=$(quietly strace -f -qq -o /dev/null -e trace="$call2" -e inject="$call2:signal=KILL:when=$m" \
            "$DRIVER" settle "$JOURNAL")
        [ "$rc" -ne 0 ] || note "the settle was not killed at $call2:$m"
        grep -o 'left-at .*' "$RUN/out" | cut -d' ' -f2- >>"$RUN/allowed" || true
        settle_twice
        [ "$point" = "${calls[-1]}" ] || check_all
    done
    STAGE="after restart"
}

# Prints one result line: operation mode call n pass|fail|unreached reasons.
crash_point() {
    local mode=$1 call=$2 n=$3 rc=0 rule status
    FAILS=() NOTES=() STAGE="during pause"
    fresh_start
    rule=$(inject_rule "$mode" "$call" "$n")
    local traced=(strace -f -qq -o "$RUN/strace.log" -e trace="$call" -e inject="$rule" "$DRIVER" "${ACTION[@]}")
    if [ "$mode" = delay ]; then
        "${traced[@]}" >"$RUN/out" 2>"$RUN/err" &
        local tracer=$!
        if wait_for_pause "$tracer" "$(syscall_number "$call")"; then
            settle during-pause
        fi
        wait "$tracer" || rc=$?
    else
        rc=$(quietly "${traced[@]}")
    fi
    status=pass
    # strace marks the call it tampered with; a run that never got there tested nothing.
    grep -qE '\((INJECTED|DELAYED)\)$|killed by SIGKILL' "$RUN/strace.log" || status=unreached
    is_killed "$mode" || check_reported "$rc"
    # A source that could not be removed stays where the driver said, beside the copy.
    if grep -q ' error=19 ' "$RUN/out" 2>/dev/null; then
        grep -o 'left-at .*' "$RUN/out" | cut -d' ' -f2- >>"$RUN/allowed" || true
    fi
    STAGE="after restart"
    case $mode in
    kill) settle_twice ;;
    beside) settle_beside_running ;;
    noowner) settle_without_owner ;;
    settlekill) settle_killed "$call" "$n" ;;
    *) settle restart ;;
    esac
    check_all
    [ ${#FAILS[@]} -eq 0 ] || status=fail
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$OP" "$mode" "$call" "$n" "$status" "$(IFS=';' && echo "${FAILS[*]:-}")" \
        "$(IFS=';' && echo "${NOTES[*]:-}")"
    if [ $status = fail ]; then
        {
            echo "FAIL $OP $mode $call n=$n (driver exit $rc: $(tr '\n' ' ' <"$RUN/out"))"
            printf '     %s\n' "${FAILS[@]}"
            [ ! -s "$RUN/findings" ] || sed 's/^/     start: /' "$RUN/findings"
            echo "     repro: scripts/crashpoints.sh --modes $mode --point $call:$n $OP"
            echo "            (strace -f -e inject=$rule plindor_crashdriver ${ACTION[*]//$WORK\//}, then settle, then undo)"
        } >&2
    elif [ ${#NOTES[@]} -gt 0 ]; then
        printf 'note %s %s %s n=%s: %s\n' "$OP" "$mode" "$call" "$n" "$(IFS=';' && echo "${NOTES[*]}")" >&2
    fi
}

# ---- The report ----

summary() {
    local results=$1
    echo
    printf '%-15s %7s ' operation points && printf ' %-24s' "${ALL_MODES[@]}" && echo
    awk -F'\t' '
        { ops[$1] = 1; key = $1 SUBSEP $2; tried[key]++; if ($5 == "fail") failed[key]++
          if ($5 == "unreached") unreached[key]++; if ($7 != "") noted[key]++; if ($2 == first[$1] || first[$1] == "") { first[$1] = $2; points[$1]++ } }
        END {
            n = split(all, modes, " ")
            for (op in ops) {
                line = sprintf("%-15s %7d ", op, points[op])
                for (i = 1; i <= n; i++) {
                    key = op SUBSEP modes[i]
                    if (!(key in tried)) cell = "-"
                    else cell = sprintf("%d pass %d fail", tried[key] - failed[key] - unreached[key], failed[key] + 0)
                    if (unreached[key]) cell = cell sprintf(" %du", unreached[key])
                    if (noted[key]) cell = cell sprintf(" %dn", noted[key])
                    line = line sprintf(" %-24s", cell)
                }
                print line
            }
        }' all="${ALL_MODES[*]}" "$results" | sort
    echo "(points: calls × n, openat counted only where it creates; u: the call was not reached in that run; n: runs with a note)"
}

main() {
    local modes=("${ALL_MODES[@]}") operations=() arg
    QUICK=0 ONLY_POINT=""
    while [ $# -gt 0 ]; do
        arg=$1
        shift
        case $arg in
        --quick) operations=(move-across) modes=(kill eio beside noowner) QUICK=1 ;;
        --modes) IFS=, read -r -a modes <<<"${1:?--modes needs a list}" && shift ;;
        --point) ONLY_POINT=${1:?--point needs CALL:N} && shift ;;
        -h | --help)
            sed -n '3,/^set -euo/p' "$0" | sed '$d' | cut -c3-
            exit 0
            ;;
        *) operations+=("$arg") ;;
        esac
    done
    [ ${#operations[@]} -gt 0 ] || operations=("${ALL_OPERATIONS[@]}")
    [ "$(id -u)" -eq 0 ] || die "needs root to mount the file systems"
    [ -x "$DRIVER" ] || die "build the driver first: cmake --build $BUILD --target plindor_crashdriver"
    local tool
    for tool in strace sqlite3 setfattr getfattr cpp; do
        command -v "$tool" >/dev/null || die "needs $tool (scripts/setup.sh installs it)"
    done

    mount_all
    # Every run starts from a journal as a start of the window leaves it: opened, set up and closed.
    "$DRIVER" settle "$WORK/journal.sqlite" >/dev/null
    local results=$WORK/results.tsv point call n mode
    : >"$results"
    for OP in "${operations[@]}"; do
        define_operation "$OP"
        if [[ $ORIGIN == "$X"/* ]] && [ -n "$EXFAT_PROBLEM" ]; then
            echo "$OP: skipped, $EXFAT_PROBLEM"
            continue
        fi
        prepare_operation
        count_calls
        for mode in "${modes[@]}"; do
            local points=("${POINTS[@]}")
            [ "$mode" != eread ] || points=("${LOOK_POINTS[@]}")
            for point in "${points[@]}"; do
                read -r call n <<<"$point"
                [ -z "$ONLY_POINT" ] || [ "$ONLY_POINT" = "$call:$n" ] || continue
                # The setups beside a kill are each a run of several starts: the quick run tries them at the copy.
                [ "$QUICK" = 1 ] && [[ $mode == beside || $mode == noowner ]] && [ "$point" != "copy_file_range 1" ] &&
                    continue
                # Short of time, errors go only to the calls of the mover and of the journal's syncs; SQLite's page
                # writes are its own business, and the kills cover them.
                [ "$QUICK" = 1 ] && [ "$mode" != kill ] && [ "$call" = pwrite64 ] && continue
                crash_point "$mode" "$call" "$n" >>"$results"
            done
            awk -F'\t' -v op="$OP" -v m="$mode" '$1 == op && $2 == m { runs++; if ($5 == "fail") failed++ }
                END { printf "%s %s: %d failed of %d\n", op, m, failed, runs }' "$results"
        done
    done
    summary "$results"
    if [ -n "${PLINDOR_CRASH_RESULTS:-}" ]; then
        cp "$results" "$PLINDOR_CRASH_RESULTS"
    fi
    ! grep -q $'\tfail\t' "$results"
}

main "$@"
