#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A Slurm job array converts a folder of clips, one file per task, on a one-node cluster that this
# test starts itself: munged, slurmctld and slurmd on this machine, with their key, configuration,
# state, spool, logs and ports in a temporary folder, stopped at the end however the test ends.
# A cluster that cannot start fails the test.
#   slurm_array.sh MOVARIN
set -uo pipefail
movarin=$(readlink -f "$1")
here=$(dirname "$(readlink -f "$0")")
source "$here/clips.sh"
failed=0

for tool in munged mungekey munge unmunge slurmctld slurmd sbatch squeue scontrol sinfo scancel \
            ffmpeg ffprobe; do
    command -v "$tool" > /dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done

# A short path: munged's socket lives in it.
work=$(mktemp -d /tmp/movarin-slurm.XXXXXX)
chmod 755 "$work"
pids=()
# Every daemon runs under timeout, so that none outlives a test killed before its trap could run.
lifetime=900
job=
cleanup() {
    if [[ -n "$job" ]]; then
        scancel "$job" 2> /dev/null
        # Wait a little for the tasks' processes to go before their daemon does.
        for _ in $(seq 20); do
            [[ -z "$(squeue -h -j "$job" 2> /dev/null)" ]] && break
            sleep 0.5
        done
    fi
    # Daemons in the reverse order of their start, each by its own pid.
    local i pid
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        pid=${pids[i]}
        kill -TERM "$pid" 2> /dev/null || continue
        for _ in $(seq 40); do
            kill -0 "$pid" 2> /dev/null || break
            sleep 0.25
        done
        kill -KILL "$pid" 2> /dev/null
        wait "$pid" 2> /dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

# Prints the daemons' logs: what a reader needs when the cluster does not start.
logs_and_fail() {
    echo "FAIL: $*"
    for log in "$work"/{munged,slurmctld,slurmd}.{out,log}; do
        [[ -f "$log" ]] && { echo "--- $(basename "$log") (last lines)"; tail -n 25 "$log"; }
    done
    exit 1
}

# A TCP port on 127.0.0.1 that nothing listens on, below the kernel's range for outgoing
# connections and away from the other one chosen.
free_port() {
    local port
    for _ in $(seq 50); do
        port=$((20000 + RANDOM % 12000))
        [[ "$port" == "${1:-}" ]] && continue
        (exec 3<> "/dev/tcp/127.0.0.1/$port") 2> /dev/null || { echo "$port"; return; }
    done
    return 1
}

# munged with a key of its own, on a socket of its own.
mkdir -m 755 "$work/munge"
mungekey --create --keyfile="$work/munge/munge.key" || logs_and_fail "mungekey cannot make a key"
munge_socket=$work/munge/munge.socket
timeout -k 10 "$lifetime" munged --foreground --force --socket="$munge_socket" --key-file="$work/munge/munge.key" \
    --pid-file="$work/munge/munged.pid" --seed-file="$work/munge/munged.seed" \
    --log-file="$work/munged.log" > "$work/munged.out" 2>&1 &
pids+=($!)
for _ in $(seq 40); do
    [[ -S "$munge_socket" ]] && break
    kill -0 "${pids[-1]}" 2> /dev/null || break
    sleep 0.25
done
munge --socket="$munge_socket" -n < /dev/null | unmunge --socket="$munge_socket" > /dev/null ||
    logs_and_fail "munged did not start"

# The node as slurmd sees it; the controller and the node on 127.0.0.1.
host=$(hostname -s)
cpus=$(slurmd -C | sed -n 's/.*CPUs=\([0-9]*\).*/\1/p' | head -n 1)
[[ "$cpus" =~ ^[1-9][0-9]*$ ]] || cpus=1
ctld_port=$(free_port) && node_port=$(free_port "$ctld_port") || logs_and_fail "no free port"
mkdir -p "$work/state" "$work/spool" "$work/jobs" "$work/clips" "$work/out" "$work/state-home"
export SLURM_CONF=$work/slurm.conf
cat > "$SLURM_CONF" <<EOF
ClusterName=movarin-test
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$node_port
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$munge_socket
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
SlurmctldDebug=info
SlurmdDebug=info
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
MpiDefault=none
MailProg=/bin/true
ReturnToService=2
MinJobAge=600
NodeName=$host NodeAddr=127.0.0.1 NodeHostname=$host CPUs=$cpus State=UNKNOWN
PartitionName=movarin Nodes=$host Default=YES MaxTime=30 State=UP
EOF

timeout -k 10 "$lifetime" slurmctld -D -i -f "$SLURM_CONF" > "$work/slurmctld.out" 2>&1 &
pids+=($!)
timeout -k 10 "$lifetime" slurmd -D -f "$SLURM_CONF" > "$work/slurmd.out" 2>&1 &
pids+=($!)
state=
for _ in $(seq 120); do
    state=$(timeout 5 sinfo -h -n "$host" -o %T 2> /dev/null)
    [[ "$state" == idle ]] && break
    kill -0 "${pids[1]}" 2> /dev/null || logs_and_fail "slurmctld ended"
    kill -0 "${pids[2]}" 2> /dev/null || logs_and_fail "slurmd ended"
    sleep 0.25
done
[[ "$state" == idle ]] ||
    logs_and_fail "the one-node Slurm cluster did not come up within 30 s (node is '$state')"
echo "Slurm cluster up: node $host with $cpus CPUs, controller on port $ctld_port"

# The clips, one per line of a list that the array's tasks index.
make_clips "$work/clips"
find "$work/clips" -type f | sort > "$work/list"
sums=$(cd "$work/clips" && sha256sum -- *)
count=$(wc -l < "$work/list")

# Each task converts the file on its line of the list into out/, with a log folder of its own and
# no display.
cat > "$work/convert.sbatch" <<EOF
#!/bin/bash
#SBATCH --job-name=movarin
#SBATCH --array=1-$count
#SBATCH --cpus-per-task=1
#SBATCH --time=10
#SBATCH --output=$work/jobs/%a.out
file=\$(sed -n "\${SLURM_ARRAY_TASK_ID}p" "$work/list")
export XDG_STATE_HOME=$work/state-home/\$SLURM_ARRAY_TASK_ID
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
exec "$movarin" --batch --output "$work/out" "\$file"
EOF
job=$(timeout 30 sbatch --parsable "$work/convert.sbatch") || logs_and_fail "sbatch refused the job array"
echo "Job array $job: $count tasks"
started=$SECONDS
while [[ -n "$(timeout 10 squeue -h -j "$job" -o %i 2> /dev/null)" ]]; do
    ((SECONDS - started < 300)) || logs_and_fail "the job array did not end within 300 s"
    sleep 0.5
done
echo "The job array ended after $((SECONDS - started)) s"

# The exit status of every task, as the controller recorded it.
declare -A exit_of
while read -r line; do
    [[ "$line" =~ ArrayTaskId=([0-9]+) ]] || continue
    task=${BASH_REMATCH[1]}
    [[ "$line" =~ ExitCode=([0-9]+):([0-9]+) ]] || continue
    exit_of[$task]=${BASH_REMATCH[1]}:${BASH_REMATCH[2]}
    [[ "$line" =~ JobState=([A-Z_]+) ]] && echo "task $task: ${BASH_REMATCH[1]} ${exit_of[$task]}"
done < <(scontrol -o show job "$job")
[[ ${#exit_of[@]} -eq $count ]] || logs_and_fail "the controller knows ${#exit_of[@]} of $count tasks"

task=0
said=/dev/null
converted=()
sources=()
while read -r file; do
    task=$((task + 1))
    name=$(basename "$file")
    base=${name%.*}
    if [[ "$base" == broken ]]; then
        [[ "${exit_of[$task]}" == 1:0 ]] || fail "task $task ($name) ended ${exit_of[$task]}, not 1:0"
        [[ ! -e "$work/out/$base.mp4" ]] || fail "the damaged clip left an output"
        said=$work/jobs/$task.out
    else
        [[ "${exit_of[$task]}" == 0:0 ]] || fail "task $task ($name) ended ${exit_of[$task]}"
        check_whole "$file" "$work/out/$base.mp4"
        converted+=("$base.mp4")
        sources+=("$file")
    fi
    logs=$(run_logs "$work/state-home/$task" | wc -l)
    [[ $logs -eq 1 ]] || fail "task $task left $logs run logs"
done < "$work/list"
check_outputs_only "$work/out" "${converted[@]}"
check_logs "$work/state-home" "$work/clips/broken.avi" "${sources[@]}"
check_said "$said" "$work/clips/broken.avi"
[[ ${#converted[@]} -eq ${#good_clips[@]} ]] || fail "converted ${#converted[@]} clips"
[[ "$(cd "$work/clips" && sha256sum -- *)" == "$sums" ]] || fail "a source changed"

if [[ $failed -ne 0 ]]; then
    for out in "$work"/jobs/*.out; do echo "--- task $(basename "$out")"; cat "$out"; done
    exit 1
fi
echo "The job array converted ${#converted[@]} clips and reported the damaged one"
