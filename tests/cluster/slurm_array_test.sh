#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# slurm_array_test.sh CLI SOURCE_ROOT: brings up a one-node Slurm cluster of its
# own (munged, slurmctld, slurmd, all on loopback, all state in a temporary
# folder), submits the documented array job and checks that it wrote exactly
# what one run writes. Every daemon is stopped on the way out, failed or not.
set -euo pipefail
cli=$(realpath "$1")
root=$(realpath "$2")
. "$(dirname "$0")/cluster_lib.sh"
export PATH="$PATH:/usr/sbin:/sbin"

[ "$(id -u)" = 0 ] || unavailable "slurmd runs its jobs as root here, and this is user $(id -un)"
need_tools munged munge slurmctld slurmd sinfo sbatch squeue scancel

need_tools convert exiftool
work=$(mktemp -d "${TMPDIR:-/tmp}/kelvra-slurm.XXXXXX")
chmod 755 "$work"
private_environment "$work"
# The array job finds the program as a user's job would: on the PATH sbatch passes on.
export PATH="$(dirname "$cli"):$PATH"
daemons=()

stop_cluster() {
    local status=$? pid i
    trap - EXIT
    set +e
    [ -n "${submitter:-}" ] && kill -TERM "$submitter" 2>/dev/null
    # Jobs outlive slurmd (slurmstepd is on its own), so cancel them first.
    if [ -n "${SLURM_CONF:-}" ] && [ ${#daemons[@]} -gt 1 ]; then
        scancel --quiet --full $(squeue -h -o %A 2>/dev/null) 2>/dev/null
        for i in $(seq 50); do
            [ -z "$(squeue -h -o %A 2>/dev/null)" ] && break
            sleep 0.2
        done
    fi
    for ((i = ${#daemons[@]} - 1; i >= 0; i--)); do
        kill -TERM "${daemons[i]}" 2>/dev/null
    done
    for pid in "${daemons[@]}"; do
        for i in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.2
        done
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    if [ "$status" != 0 ] && [ "$status" != 77 ]; then
        for log in "$work"/log/* "$work"/job/slurm-*.out; do
            [ -f "$log" ] && { echo "--- $log"; tail -n 25 "$log"; }
        done
    fi
    rm -rf "$work"
    exit "$status"
}
trap stop_cluster EXIT
# Interrupted too: the EXIT trap runs only when the shell exits by itself.
trap 'exit 130' INT
trap 'exit 143' TERM HUP

# A port nobody listens on now; the ports the daemons take are passed as $2...
free_port() {
    local taken port
    taken=" $(tail -q -n +2 /proc/net/tcp /proc/net/tcp6 2>/dev/null | while read -r _ address _; do
        echo $((16#${address##*:}))
    done | tr '\n' ' ') ${*} "
    while :; do
        port=$((20000 + RANDOM % 40000))
        case $taken in *" $port "*) ;; *) echo "$port" && return ;; esac
    done
}

# Waits up to $1 seconds for the command that follows to succeed.
wait_for() {
    local seconds=$1 i
    shift
    for i in $(seq $((seconds * 5))); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.2
    done
    return 1
}

mkdir -p "$work"/{munge,state,spool,log,run,job}
chmod 755 "$work/munge"
head -c 1024 /dev/urandom >"$work/munge/munge.key"
chmod 600 "$work/munge/munge.key"
socket="$work/munge/munge.socket"
munged --foreground --force --socket="$socket" --key-file="$work/munge/munge.key" \
    --pid-file="$work/run/munged.pid" --log-file="$work/log/munged.log" --seed-file="$work/munge/seed" \
    >>"$work/log/munged.log" 2>&1 &
daemons+=($!)
wait_for 10 munge --socket="$socket" --no-input ||
    unavailable "munged did not start: $(tail -n 3 "$work/log/munged.log" 2>/dev/null)"

node=$(hostname -s)
ctld_port=$(free_port)
slurmd_port=$(free_port "$ctld_port")
export SLURM_CONF="$work/slurm.conf"
cat >"$SLURM_CONF" <<EOF
ClusterName=kelvratest
SlurmctldHost=$node(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$slurmd_port
# Bind to the addresses above, not to every interface.
CommunicationParameters=NoCtldInAddrAny,NoInAddrAny
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$socket
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/run/slurmctld.pid
SlurmdPidFile=$work/run/slurmd.pid
SlurmctldLogFile=$work/log/slurmctld.log
SlurmdLogFile=$work/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SwitchType=switch/none
MpiDefault=none
MailProg=/bin/true
ReturnToService=2
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
NodeName=$node NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=batch Nodes=$node Default=YES MaxTime=INFINITE State=UP
EOF

slurmctld -D >>"$work/log/slurmctld.out" 2>&1 &
daemons+=($!)
slurmd -D -N "$node" >>"$work/log/slurmd.out" 2>&1 &
daemons+=($!)

# One run and the documented array job over the same batch and design: the
# shards must write what the one run wrote, and undo must take back all four.
make_photos "$work/in"
design=(--rename '%y\%o' --caption '[PHOTO_DATE] [Make]' --place br --size 12 --shadow)
kelvra-cli stamp "${design[@]}" --quiet --out "$work/one" "$work/in/a" "$work/in/b"
job="$work/job"
(cd "$job" && kelvra-cli plan "${design[@]}" --out "$work/sharded" "$work/in/a" "$work/in/b" >plan.json)
# The batch was made while the daemons came up.
node_idle() { [ "$(sinfo -h -n "$node" -o %T)" = idle ]; }
wait_for 30 node_idle ||
    unavailable "the Slurm node did not come up idle: $(tail -q -n 2 "$work"/log/slurm*.out 2>/dev/null | tr '\n' ' ')"
# In the background, so that a signal reaches the trap at once, not after the jobs.
(cd "$job" && exec timeout 300 sbatch --wait --array=0-3 "$root/docs/cluster/stamp-array.sh") \
    >"$work/log/sbatch.out" 2>&1 &
submitter=$!
wait "$submitter"
submitter=
for task in 0 1 2 3; do
    grep -q '^10 stamped, 0 copied, 0 failed' "$job"/slurm-*_$task.out ||
        { echo "FAILED: shard $task did not stamp its 10 photos" >&2; exit 1; }
done
same_outputs "$work/one" "$work/sharded"
echo "passed: 4 array tasks on $node wrote what one run writes"

one_before=$(listing "$work/one")
(cd "$job" && kelvra-cli undo --plan plan.json) >"$work/log/undo.out"
if [ -n "$(find "$work/sharded" -type f 2>/dev/null)" ]; then
    echo "FAILED: undo --plan left files:" >&2
    find "$work/sharded" -type f >&2
    exit 1
fi
[ "$(listing "$work/one")" = "$one_before" ] || { echo "FAILED: undo --plan touched another run's outputs" >&2; exit 1; }
echo "passed: undo --plan took back every shard"
