#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# GNU parallel spreads a folder of clips over two jobs, one batch command per file; the job log's
# exit statuses and each job's own words tell which files failed.
#   parallel_batch.sh MOVARIN
set -uo pipefail
movarin=$(readlink -f "$1")
here=$(dirname "$(readlink -f "$0")")
source "$here/clips.sh"
failed=0

for tool in parallel ffmpeg ffprobe; do
    command -v "$tool" > /dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
make_clips "$work/clips"
sums=$(cd "$work/clips" && sha256sum -- *)
mkdir "$work/out"

# No display, and a log folder of the test's own.
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export XDG_STATE_HOME=$work/state
started=$SECONDS
timeout 300 parallel --will-cite --jobs 2 --timeout 120 --joblog "$work/joblog" \
    --results "$work/results/{#}" \
    "$movarin" --batch --output "$work/out" ::: "$work"/clips/*
status=$?
echo "parallel ended with $status after $((SECONDS - started)) s"
# parallel's own status is the number of jobs that failed.
[[ $status -eq 1 ]] || fail "parallel ended with $status, not 1 for the one damaged clip"

# The job log: one line per file with its exit status and the signal that ended it.
jobs=0
said=/dev/null
converted=()
sources=()
while IFS=$'\t' read -r seq _ _ _ _ _ exitval signal command; do
    [[ "$seq" =~ ^[0-9]+$ ]] || continue
    jobs=$((jobs + 1))
    file=${command##* }
    name=$(basename "$file")
    base=${name%.*}
    [[ "$signal" == 0 ]] || fail "$name was ended by signal $signal"
    if [[ "$base" == broken ]]; then
        [[ "$exitval" == 1 ]] || fail "$name ended with $exitval, not 1"
        [[ ! -e "$work/out/$base.mp4" ]] || fail "the damaged clip left an output"
        said=$work/results/$seq
    else
        [[ "$exitval" == 0 ]] || fail "$name ended with $exitval: $(cat "$work/results/$seq.err")"
        check_whole "$file" "$work/out/$base.mp4"
        converted+=("$base.mp4")
        sources+=("$file")
    fi
done < "$work/joblog"
[[ $jobs -eq $((${#good_clips[@]} + 1)) ]] || fail "the job log holds $jobs jobs"
[[ ${#converted[@]} -eq ${#good_clips[@]} ]] || fail "converted ${#converted[@]} clips"
check_outputs_only "$work/out" "${converted[@]}"
# Each job's run left its log; together they name the damaged clip alone as failed.
logs=$(run_logs "$XDG_STATE_HOME" | wc -l)
[[ $logs -eq $jobs ]] || fail "$logs run logs for $jobs jobs"
check_logs "$XDG_STATE_HOME" "$work/clips/broken.avi" "${sources[@]}"
check_said "$said" "$work/clips/broken.avi"
[[ "$(cd "$work/clips" && sha256sum -- *)" == "$sums" ]] || fail "a source changed"

[[ $failed -eq 0 ]] || { cat "$work/joblog"; exit 1; }
echo "parallel converted ${#converted[@]} clips and reported the damaged one"
