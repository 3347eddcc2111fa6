#!/usr/bin/env bash
# contrib/slurm/submit-sweep on a real Slurm. Starts a single-node Slurm of its own (munged with
# its own key and socket, slurmctld and slurmd on free local ports, state, spool and logs in one
# temporary folder), then
#   1. submits a sweep in 4 shards: sweep.csv must be byte for byte the sweep run whole;
#   2. cancels one task: the merge job must never run, and merge over the shards that exist must
#      name the missing one;
#   3. runs that task again with sbatch --array=K: merged by hand, the shards are the whole sweep.
# Needs root (slurmd runs each job as its user) and the Debian packages slurm-wlm and munge.
# Without them it says so and exits 77 (skipped), except under CI=true, where it fails.
# usage: slurm_test.sh SUBMIT_SWEEP SEGSIM_CLI
set -euo pipefail
submit=$1
cli=$2
export PATH=$PATH:/usr/sbin:/sbin

# The sweep the cases submit, over two parameters: 8 combinations of one short run each, so the
# test stays well under a minute.
sweep=(--param threshold=10:40:10 --param 'groups=2,3' --runs 1 --steps 20)

wait_limit=40  # seconds for the jobs of one case; startup has its own limit

cannot_run() {
  if [ "${CI:-}" = true ]; then
    echo "slurm_test: FAILED: $*; under CI this test must run" >&2
    exit 1
  fi
  echo "slurm_test: SKIPPED: $*"
  exit 77
}

[ "$EUID" -eq 0 ] || cannot_run "it must run as root to start a Slurm of its own"
missing=()
for program in munged slurmctld slurmd sbatch squeue sinfo scontrol scancel; do
  command -v "$program" >/dev/null || missing+=("$program")
done
[ ${#missing[@]} -eq 0 ] ||
  cannot_run "${missing[*]} not found (Debian packages slurm-wlm and munge)"

# Nothing of a Slurm this may itself run under reaches the one it starts.
while read -r name; do
  unset "$name"
done < <(compgen -e | grep -E '^(SLURM|SBATCH|SQUEUE|SINFO)_' || true)

dir=$(mktemp -d "${TMPDIR:-/tmp}/segsim-slurm.XXXXXX")
chmod 755 "$dir"  # munged wants every folder above its socket searchable by all
daemons=()        # pids, in the order started
jobs_submitted=()

# What the daemons printed: their logs, and what they said before opening them.
show_logs() {
  local daemon
  for daemon in munged slurmctld slurmd; do
    echo "----- $daemon, last lines -----"
    tail -n 40 "$dir/$daemon.out" 2>/dev/null || echo "(nothing)"
  done
}

fail() {
  echo "slurm_test: FAILED: $*" >&2
  show_logs >&2
  exit 1
}

stop_daemons() {
  local status=$? pid i n
  if [ ${#jobs_submitted[@]} -gt 0 ]; then
    timeout 10 scancel "${jobs_submitted[@]}" 2>/dev/null || true
  fi
  # Last started first: slurmd, slurmctld, munged.
  for ((n = ${#daemons[@]} - 1; n >= 0; n--)); do
    pid=${daemons[n]}
    kill -TERM "$pid" 2>/dev/null || continue
    for ((i = 0; i < 50; i++)); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.2
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$dir"
  exit "$status"
}
trap stop_daemons EXIT

# Polls COMMAND every 0.2 s for up to SECONDS seconds.
wait_for() {
  local seconds=$1 i
  shift
  for ((i = 0; i < seconds * 5; i++)); do
    "$@" && return 0
    sleep 0.2
  done
  return 1
}

port_taken() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

free_port() {
  local port _
  for _ in {1..100}; do
    port=$((20000 + RANDOM % 30000))
    if [ "$port" != "${1:-}" ] && ! port_taken "$port"; then
      echo "$port"
      return
    fi
  done
  fail "found no free local port"
}

# --- a Slurm of its own ----------------------------------------------------------------------
start_slurm() {
  local host ctld_port slurmd_port
  host=$(uname -n)
  host=${host%%.*}
  ctld_port=$(free_port)
  slurmd_port=$(free_port "$ctld_port")
  mkdir "$dir/state" "$dir/spool"
  : >"$dir/plugstack.conf"
  dd if=/dev/urandom of="$dir/munge.key" bs=1024 count=1 status=none
  chmod 400 "$dir/munge.key"
  cat >"$dir/slurm.conf" <<EOF
ClusterName=segsimtest
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$slurmd_port
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$dir/munge.sock
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/slurmctld.log
SlurmdLogFile=$dir/slurmd.log
PlugStackConfig=$dir/plugstack.conf
MailProg=/bin/true
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MpiDefault=none
SwitchType=switch/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
ReturnToService=2
NodeName=$host NodeAddr=127.0.0.1 CPUs=1 State=UNKNOWN
PartitionName=segsim Nodes=$host Default=YES MaxTime=INFINITE State=UP OverSubscribe=FORCE:4
EOF
  export SLURM_CONF=$dir/slurm.conf

  munged --foreground --socket="$dir/munge.sock" --key-file="$dir/munge.key" \
    --pid-file="$dir/munged.pid" --log-file="$dir/munged.log" --seed-file="$dir/munged.seed" \
    >"$dir/munged.out" 2>&1 &
  daemons+=($!)
  wait_for 10 test -S "$dir/munge.sock" || fail "munged did not start"
  slurmctld -D -i -f "$dir/slurm.conf" >"$dir/slurmctld.out" 2>&1 &
  daemons+=($!)
  slurmd -D -f "$dir/slurm.conf" -N "$host" >"$dir/slurmd.out" 2>&1 &
  daemons+=($!)
  node_idle() { [ "$(sinfo -h -N -o %T 2>/dev/null)" = idle ]; }
  wait_for 20 node_idle || fail "the node did not come up idle within 20 s"
}

# --- jobs ------------------------------------------------------------------------------------
# The states of a job, one line per array task.
job_states() { scontrol -o show job "$1" | grep -o 'JobState=[A-Z_]*' | cut -d= -f2; }

job_done() {
  ! job_states "$1" | grep -q -E '^(PENDING|RUNNING|CONFIGURING|COMPLETING|SUSPENDED|REQUEUED)'
}

# Submits with submit-sweep and sets array and merge to the two job ids it prints.
submit_sweep() {
  local printed
  printed=$("$@") || fail "submit-sweep failed: $*"
  echo "$printed"
  array=$(sed -n 's/.*job array \([0-9][0-9]*\).*/\1/p' <<<"$printed")
  merge=$(sed -n 's/.*merge as job \([0-9][0-9]*\).*/\1/p' <<<"$printed")
  if [ -z "$array" ] || [ -z "$merge" ]; then fail "submit-sweep printed no two job ids"; fi
  jobs_submitted+=("$array" "$merge")
}

wait_jobs() {
  local id
  for id in "$@"; do
    wait_for "$wait_limit" job_done "$id" ||
      fail "job $id did not end within $wait_limit s: $(job_states "$id" | tr '\n' ' ')"
  done
}

expect_states() {
  local id=$1 want=$2 got
  got=$(job_states "$id" | sort -u | tr '\n' ' ')
  [ "$got" = "$want " ] || fail "job $id ended $got, not $want"
}

start_slurm

# --- 1. the sweep in 4 shards is the sweep run whole -----------------------------------------
out=$dir/whole
submit_sweep "$submit" "$out" --shards 4 --cli "$cli" -- "${sweep[@]}"
wait_jobs "$array" "$merge"
expect_states "$array" COMPLETED
expect_states "$merge" COMPLETED
for k in 0 1 2 3; do
  [ -f "$out/shard-$k.csv" ] || fail "shard-$k.csv is missing"
done
! ls "$out"/*.part >/dev/null 2>&1 || fail "a temporary file was left: $(ls "$out"/*.part)"
seed=$(grep -o -e '--seed [0-9]*' "$out/command" | cut -d' ' -f2)
[ -n "$seed" ] || fail "OUTDIR/command fixes no seed: $(cat "$out/command")"
"$cli" sweep "${sweep[@]}" --seed "$seed" >"$dir/one-machine.csv"
cmp "$dir/one-machine.csv" "$out/sweep.csv" ||
  fail "sweep.csv differs from the same sweep run on one machine"
echo "case 1: sweep.csv from 4 shards is the sweep run whole (seed $seed)"

# --- 2. a cancelled task: no merge job, and merge names the missing shard --------------------
out=$dir/cancelled
submit_sweep env SEGSIM_CLI="$cli" "$submit" "$out" --shards 4 --sbatch --hold -- \
  "${sweep[@]}" --seed 7
# Held, so no shard exists yet: a second sweep into the same folder is refused all the same.
cp "$out/command" "$dir/command.first"
if "$submit" "$out" --cli "$cli" -- "${sweep[@]}" --seed 8 2>"$dir/again.err"; then
  fail "a second sweep was submitted into a folder with a pending one"
fi
grep -q 'already holds a sweep (command)' "$dir/again.err" ||
  fail "the second submission was not refused as such: $(cat "$dir/again.err")"
cmp -s "$dir/command.first" "$out/command" || fail "the second submission overwrote command"
scancel "${array}_2"
scontrol release "$array"
scontrol release "$merge"
wait_jobs "$merge" "$array"
expect_states "$merge" CANCELLED
scontrol -o show job "$merge" | grep -q 'Reason=DependencyNeverSatisfied' ||
  fail "the merge job was not cancelled for its dependency: $(scontrol -o show job "$merge")"
if [ -e "$out/merge.log" ] || [ -e "$out/sweep.csv" ]; then fail "the merge job ran"; fi
[ ! -e "$out/shard-2.csv" ] || fail "the cancelled task wrote its shard"
for k in 0 1 3; do
  [ -f "$out/shard-$k.csv" ] || fail "shard-$k.csv is missing"
done
if "$cli" merge "$out"/shard-*.csv >"$dir/merged.csv" 2>"$dir/merge.err"; then
  fail "merge joined 3 of 4 shards"
fi
grep -q 'shard 2/4 is missing' "$dir/merge.err" ||
  fail "merge did not name the missing shard: $(cat "$dir/merge.err")"
echo "case 2: a cancelled task stops the merge job; merge names shard 2/4"

# --- 3. the task run again by hand, as the README says, completes the sweep -----------------
redo=$(sbatch --parsable --array=2 "$out/shards.sbatch") || fail "sbatch refused shards.sbatch"
redo=${redo%%;*}
jobs_submitted+=("$redo")
scontrol release "$redo"  # held like the rest: --hold is in the script
wait_jobs "$redo"
expect_states "$redo" COMPLETED
"$cli" merge "$out"/shard-*.csv >"$dir/merged.csv" || fail "merge refused the completed shards"
"$cli" sweep "${sweep[@]}" --seed 7 | cmp - "$dir/merged.csv" ||
  fail "the shards merged by hand differ from the sweep run whole"
echo "case 3: task 2 run again with --array=2 completes the sweep"
