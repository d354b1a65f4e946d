#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Plindor developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# Builds the libFuzzer targets of fuzz/ with clang in build-fuzz and runs them one after another, each for the
# given number of seconds (default 60), on a copy of its seed corpus and earlier regressions; prints executions and
# time per target. A crash, hang or failed check leaves its input in build-fuzz/fuzz-runs/<target>/artifacts/:
# once the bug is fixed, copy it into fuzz/regressions/<target>/ so that tst_FuzzRegressions replays it.
# Usage: scripts/fuzz.sh [seconds-per-target] [target...]
set -euo pipefail
seconds=${1:-60}
shift || true
cd "$(dirname "$0")/.."

if [[ $# -gt 0 ]]; then
    targets=("$@")
else
    targets=()
    for source in fuzz/fuzz_*.cpp; do
        name=$(basename "$source" .cpp)
        targets+=("${name#fuzz_}")
    done
fi

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DPLINDOR_FUZZ=ON -DPLINDOR_WERROR=ON -DBUILD_TESTING=OFF \
    -DPLINDOR_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# The machine's cores are shared: two jobs at most.
cmake --build build-fuzz -j2 --target "${targets[@]/#/fuzz_}"

# The profile target's scratch files, on a RAM disk where there is one; a crash leaves them behind.
scratch_base=/dev/shm
[[ -d $scratch_base ]] || scratch_base=${TMPDIR:-/tmp}
PLINDOR_FUZZ_SCRATCH=$(mktemp -d "$scratch_base/plindor-fuzz.XXXXXX")
export PLINDOR_FUZZ_SCRATCH
trap 'rm -rf "$PLINDOR_FUZZ_SCRATCH"' EXIT

# A damaged "@Variant(" value makes Qt reserve gigabytes for a list that the data cannot fill. The C library either
# refuses or hands out untouched pages, and Qt copes with both; ASan would abort on the refusal and fill gigabytes of
# shadow memory on success. So it refuses every allocation over 2 GiB by returning null, as a smaller machine would.
export ASAN_OPTIONS="allocator_may_return_null=1:max_allocation_size_mb=2048${ASAN_OPTIONS:+:$ASAN_OPTIONS}"

summary=()
failed=0
for target in "${targets[@]}"; do
    run=build-fuzz/fuzz-runs/$target
    rm -rf "$run"
    mkdir -p "$run/corpus" "$run/artifacts"
    # libFuzzer adds what it finds to the corpus folder; the seeds in the tree stay as they are.
    cp fuzz/corpus/"$target"/* "$run/corpus/"
    if [[ -d fuzz/regressions/$target ]]; then
        cp fuzz/regressions/"$target"/* "$run/corpus/" 2>/dev/null || true
    fi
    options=(-max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -print_final_stats=1
             -artifact_prefix="$run/artifacts/")
    if [[ -f fuzz/dict/$target.dict ]]; then
        options+=(-dict="fuzz/dict/$target.dict")
    fi
    echo "fuzzing $target for ${seconds}s (log: $run/log)"
    start=$(date +%s)
    status=0
    build-fuzz/fuzz/fuzz_"$target" "${options[@]}" "$run/corpus" >"$run/log" 2>&1 || status=$?
    elapsed=$(($(date +%s) - start))
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$run/log" | tail -n 1)
    findings=$(find "$run/artifacts" -type f | wc -l)
    if [[ $status -ne 0 || $findings -ne 0 ]]; then
        failed=1
        grep -m 3 -E 'ERROR|invariant violated|SUMMARY' "$run/log" || true
    fi
    summary+=("$(printf '%-14s %14s %8s %10s %9s' "$target" "${executions:-?}" "$elapsed" "$findings" "$status")")
done

printf '\n%-14s %14s %8s %10s %9s\n' target executions seconds findings exit
printf '%s\n' "${summary[@]}"
exit "$failed"
