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

work=$(mktemp -d "${TMPDIR:-/tmp}/kelvra-slurm.XXXXXX")
chmod 755 "$work"
daemons=()

stop_cluster() {
    local status=$? pid i
    trap - EXIT
    set +e
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
node_idle() { [ "$(sinfo -h -n "$node" -o %T)" = idle ]; }
wait_for 30 node_idle ||
    unavailable "the Slurm node did not come up idle: $(tail -q -n 2 "$work"/log/slurm*.out 2>/dev/null | tr '\n' ' ')"

# Until plan.json exists, a stand-in job proves the cluster runs an array.
job="$work/job"
cat >"$job/stand-in.sh" <<'EOF'
#!/bin/bash
echo "$SLURM_ARRAY_TASK_ID" >"task-$SLURM_ARRAY_TASK_ID.txt"
EOF
(cd "$job" && timeout 300 sbatch --wait --array=0-3 stand-in.sh) >"$work/log/sbatch.out"
for task in 0 1 2 3; do
    [ "$(cat "$job/task-$task.txt")" = "$task" ] || { echo "FAILED: array task $task did not run" >&2; exit 1; }
done
echo "passed: 4 array tasks ran on $node"
