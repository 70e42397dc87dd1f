# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the scheduler tests: a folder of clips with one damaged among them, and the check
# that an output is whole.

fail() { echo "FAIL: $*"; failed=1; }

# make_clips DIR: four whole clips of different containers and lengths, and broken.avi, the first
# 20,000 bytes of a long clip, which no player can make a picture of.
make_clips() {
    local dir=$1
    mkdir -p "$dir"
    clip() {   # clip SECONDS RATE FILE CODEC-ARGUMENTS...
        local seconds=$1 rate=$2 file=$3
        shift 3
        ffmpeg -hide_banner -loglevel error -nostdin -y \
            -f lavfi -i "testsrc=size=320x240:rate=25:duration=$seconds" \
            -f lavfi -i "sine=frequency=440:sample_rate=$rate:duration=$seconds" \
            -map 0:v -map 1:a -ac 2 "$@" "$file"
    }
    local h264=(-c:v libx264 -preset ultrafast -pix_fmt yuv420p)
    clip 3 44100 "$dir/alpha.avi" -c:v mpeg4 -q:v 5 -c:a libmp3lame
    clip 4 48000 "$dir/bravo.mov" "${h264[@]}" -c:a aac
    clip 5 48000 "$dir/charlie.mkv" "${h264[@]}" -c:a libvorbis
    clip 3 48000 "$dir/delta.mpg" -c:v mpeg2video -c:a mp2 -f mpeg
    clip 30 44100 "$dir/long.avi" -c:v mpeg4 -q:v 5 -c:a libmp3lame
    head -c 20000 "$dir/long.avi" > "$dir/broken.avi"
    rm "$dir/long.avi"
}
good_clips=(alpha bravo charlie delta)

# duration FILE: the container's duration in seconds.
duration() { ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 "$1"; }

# check_whole SOURCE OUTPUT: the output has a video stream with pictures and an audio stream, lasts
# as long as its source, and a player decodes it to its end without an error.
check_whole() {
    local source=$1 output=$2
    [[ -s "$output" ]] || { fail "no output $output for $source"; return; }
    local streams
    streams=$(ffprobe -v error -count_packets -show_entries stream=codec_type,nb_read_packets \
                      -of csv=p=0 "$output" | sort | tr '\n' ' ')
    [[ "$streams" =~ ^audio,[1-9][0-9]*\ video,[1-9][0-9]*\ $ ]] ||
        fail "$output holds '$streams', not one audio and one video stream with packets"
    local want got
    want=$(duration "$source") got=$(duration "$output")
    awk -v a="$want" -v b="$got" 'BEGIN { d = a - b; exit !(d < 0.5 && d > -0.5) }' ||
        fail "$output lasts ${got}s, its source ${want}s"
    local errors
    errors=$(ffmpeg -hide_banner -v error -nostdin -i "$output" -f null - 2>&1) ||
        fail "ffmpeg cannot decode $output"
    [[ -z "$errors" ]] || fail "decoding $output: $errors"
}

# check_outputs_only DIR NAME...: DIR holds exactly these files, no temporary or partial one.
check_outputs_only() {
    local dir=$1
    shift
    local want got
    want=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
    got=$(find "$dir" -mindepth 1 -printf '%f\n' | sort | tr '\n' ' ')
    [[ "$got" == "$want" ]] || fail "$dir holds '$got', expected '$want'"
}

# run_logs DIR: the run logs the batch command left under DIR, one a line.
run_logs() { find "$1" -type f -name 'run-*.log' | sort; }

# results_in_logs DIR: for every file of every run log under DIR, its result, its source and its
# reason, separated by tabs.
results_in_logs() {
    run_logs "$1" | while read -r log; do
        awk '/^file: / { source = substr($0, 7) }
             /^  result: / { result = substr($0, 11); state = result; sub(/:.*/, "", state)
                             reason = result; sub(/^[a-z]+(: )?/, "", reason)
                             print state "\t" source "\t" reason }' "$log"
    done
}

# check_said OUTPUT FILE: a job's output names FILE with the reason its log gives.
check_said() {
    local output=$1 file=$2
    grep -F -- "$file" "$output" | grep -q -F -- "$logged_reason" ||
        fail "the job's output does not name $file with '$logged_reason': $(cat "$output")"
}

# check_logs DIR DAMAGED SOURCE...: the logs under DIR record every source as converted and the
# damaged one as failed with a reason, and nothing else. The reason is left in logged_reason.
check_logs() {
    local dir=$1 damaged=$2
    shift 2
    local results want
    results=$(results_in_logs "$dir" | sort)
    local converted failed
    converted=$(awk -F'\t' '$1 == "converted" { print $2 }' <<< "$results" | sort)
    failed=$(awk -F'\t' '$1 == "failed" { print $2 }' <<< "$results")
    want=$(printf '%s\n' "$@" | sort)
    [[ "$converted" == "$want" ]] || fail "the logs record as converted: '$converted'"
    [[ "$failed" == "$damaged" ]] || fail "the logs record as failed: '$failed', not $damaged"
    logged_reason=$(awk -F'\t' '$1 == "failed" { print $3 }' <<< "$results")
    [[ -n "$logged_reason" ]] || fail "the logs give no reason for $damaged"
    [[ $(wc -l <<< "$results") -eq $(($# + 1)) ]] || fail "the logs hold other results: $results"
    echo "logged reason for $(basename "$damaged"): $logged_reason"
}
