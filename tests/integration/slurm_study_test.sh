#!/usr/bin/env bash
# An event study in four shards on a private single-node Slurm cluster: its own munge key and
# socket, slurmctld and slurmd on free ports with their configuration, state and spool in a
# temporary folder. scripts/slurm-study submits the shards and the merge; the merged document and
# report must be those of the study run whole, byte for byte. Every daemon started here is stopped
# on the way out, whether the test passed or not.
#
#   tests/integration/slurm_study_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail

src="$1"
bin="$2"
if [ "$(id -u)" -ne 0 ]; then
  echo "slurm_study_test: skipped: the private cluster needs root (munged --force, SlurmUser=root)"
  exit 77
fi
for tool in munged slurmctld slurmd sbatch scontrol squeue sinfo; do
  command -v "$tool" >/dev/null || { echo "slurm_study_test: $tool is missing: run scripts/install-deps" >&2; exit 1; }
done

tmp="$(mktemp -d /tmp/stockdyn-slurm.XXXXXX)"
pids=()
passed=0
stop_all() {
  set +e
  if [ -n "${SLURM_CONF:-}" ] && [ -f "$SLURM_CONF" ]; then
    jobs_left="$(squeue -h -o %i 2>/dev/null)"
    [ -n "$jobs_left" ] && scancel $jobs_left 2>/dev/null
    for _ in $(seq 20); do
      [ -z "$(squeue -h -o %i 2>/dev/null)" ] && break
      sleep 0.5
    done
  fi
  # The daemons in the reverse order of their start: slurmd, slurmctld, munged.
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill -TERM "${pids[i]}" 2>/dev/null
    for _ in $(seq 50); do
      kill -0 "${pids[i]}" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "${pids[i]}" 2>/dev/null
    wait "${pids[i]}" 2>/dev/null
  done
  if [ "$passed" -ne 1 ]; then
    for log in "$tmp"/slurmctld.log "$tmp"/slurmd.log "$tmp"/munged.log "$tmp"/out/*.log; do
      [ -f "$log" ] && { echo "--- $log"; tail -n 30 "$log"; }
    done
  fi
  rm -rf "$tmp"
}
trap stop_all EXIT

free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

# munge: a key of our own, a socket of our own.
dd if=/dev/urandom of="$tmp/munge.key" bs=1024 count=1 status=none
chmod 0400 "$tmp/munge.key"
munged --foreground --force --key-file="$tmp/munge.key" --socket="$tmp/munge.socket" \
  --pid-file="$tmp/munged.pid" --log-file="$tmp/munged.log" --seed-file="$tmp/munged.seed" 2>>"$tmp/munged.log" &
pids+=($!)
for _ in $(seq 50); do
  [ -S "$tmp/munge.socket" ] && break
  sleep 0.1
done
[ -S "$tmp/munge.socket" ] || { echo "slurm_study_test: munged did not start" >&2; exit 1; }

# The node as slurmd sees it: its name, CPUs and memory.
node_line="$(slurmd -C | head -n 1)"
node="$(sed -n 's/.*NodeName=\([^ ]*\).*/\1/p' <<<"$node_line")"
cpus="$(sed -n 's/.* CPUs=\([0-9]*\).*/\1/p' <<<"$node_line")"
memory="$(sed -n 's/.* RealMemory=\([0-9]*\).*/\1/p' <<<"$node_line")"
mkdir -p "$tmp/state" "$tmp/spool" "$tmp/out"
cat >"$tmp/slurm.conf" <<EOF
ClusterName=stockdyntest
SlurmctldHost=$node
SlurmUser=root
SlurmdUser=root
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
AuthType=auth/munge
AuthInfo=socket=$tmp/munge.socket
CredType=cred/munge
StateSaveLocation=$tmp/state
SlurmdSpoolDir=$tmp/spool
SlurmctldPidFile=$tmp/slurmctld.pid
SlurmdPidFile=$tmp/slurmd.pid
SlurmctldLogFile=$tmp/slurmctld.log
SlurmdLogFile=$tmp/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MpiDefault=none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
MinJobAge=600
NodeName=$node CPUs=$cpus RealMemory=$memory State=UNKNOWN
PartitionName=study Nodes=$node Default=YES MaxTime=INFINITE State=UP
EOF
export SLURM_CONF="$tmp/slurm.conf"
slurmctld -D -i -f "$SLURM_CONF" 2>>"$tmp/slurmctld.log" &
pids+=($!)
slurmd -D -N "$node" -f "$SLURM_CONF" 2>>"$tmp/slurmd.log" &
pids+=($!)
state=""
for _ in $(seq 60); do
  state="$(sinfo -h -n "$node" -o %T 2>/dev/null || true)"
  [ "$state" = idle ] && break
  sleep 0.5
done
[ "$state" = idle ] || { echo "slurm_study_test: the node is '$state', not idle" >&2; exit 1; }
echo "slurm_study_test: cluster up: node $node, $cpus CPUs, $memory MB"

# Two securities' prices, one with a natal chart (random natal charts too); four years.
cat >"$tmp/universe.csv" <<EOF
label,security,prices
IBM,IBM Corp,$src/assets/prices/dow30/IBM.csv
AA,,$src/assets/prices/dow30/AA.csv
EOF
study=(--universe "$tmp/universe.csv" --dir "$bin/www/Exe" --zone -5 --from 1996-01-01 --to 1999-12-31
  --permutations 99 --random-natal 4)
start=$(date +%s)
"$bin/stockdyn" study "${study[@]}" --quiet --report "$tmp/whole.html" >"$tmp/whole.json"
whole_done=$(date +%s)
STOCKDYN="$bin/stockdyn" "$src/scripts/slurm-study" 4 "$tmp/out" -- "${study[@]}" --report "$tmp/out/report.html"
sharded_done=$(date +%s)
cmp "$tmp/whole.json" "$tmp/out/study.json"
cmp "$tmp/whole.html" "$tmp/out/report.html"
for i in 0 1 2 3; do
  [ -s "$tmp/out/shard-$i.partial" ] || { echo "slurm_study_test: shard $i left no partial file" >&2; exit 1; }
done
echo "slurm_study_test: whole $((whole_done - start)) s, 4 shards through Slurm $((sharded_done - whole_done)) s;" \
  "study.json and report.html equal byte for byte"

# A study whose shards fail leaves no document: the merge is cancelled and the script says which
# shards left no partial file.
if STOCKDYN="$bin/stockdyn" "$src/scripts/slurm-study" 2 "$tmp/failed" -- "${study[@]}" --window 0 \
  2>"$tmp/failed.err"; then
  echo "slurm_study_test: a failed study was reported as done" >&2
  exit 1
fi
grep -q "shards without a partial file: 0 1" "$tmp/failed.err" || { cat "$tmp/failed.err" >&2; exit 1; }
[ ! -e "$tmp/failed/study.json" ] || { echo "slurm_study_test: a failed study left study.json" >&2; exit 1; }
passed=1
