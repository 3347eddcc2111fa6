#!/usr/bin/env bash
# The traces of two segsim-cli builds, byte for byte, on a set of configurations: the reference
# (the x87 build) and another (the software format, or an ARM64 build run under qemu-user).
# usage: tests/compare_traces.sh REFERENCE_CLI OTHER_CLI [RUNNER...]
# OTHER_CLI runs under RUNNER, e.g. qemu-aarch64 -L /usr/aarch64-linux-gnu.
set -uo pipefail
reference=${1:?usage: compare_traces.sh REFERENCE_CLI OTHER_CLI [RUNNER...]}
other=${2:?usage: compare_traces.sh REFERENCE_CLI OTHER_CLI [RUNNER...]}
shift 2
runner=("$@")
configurations=(
  "run --seed 1 --steps 200"
  "run --seed 2 --steps 60 --radius 20"
  "run --seed 3 --steps 60 --groups 40"
  "run --seed 4 --steps 90 --tile-size 7"
  "run --seed 5 --steps 70 --set 20:threshold=45 --set 40:tile-size=9 --set 50:agents=9000"
  "run --seed 6 --steps 40 --cell-size 2 --threshold 60 --move-distance 5"
  "run --seed 7 --steps 30 --groups 1"
  "run --seed 8 --steps 30 --groups 2 --radius 0 --threshold 0"
  "run --seed 9 --steps 31 --groups 200 --agents 20000 --cell-size 3"
  "run --seed 0xDEADBEEF --steps 50 --threshold 100 --radius 2"
  "run --seed 10 --steps 20 --agents 0"
  "run --seed 11 --steps 120 --summary"
  "sweep --param threshold --from 20 --to 60 --increment 20 --runs 2 --steps 20 --seed 5"
  "sweep --param groups=2:4:1 --param radius=1,3 --runs 1 --steps 10 --seed 7"
  "run --seed 12 --steps 40 --groups 3 --shares 1,2.5,0.3 --thresholds 30,50,20 --set 20:threshold_2=70"
  "sweep --param minority=10,40 --param threshold_2=30,60 --groups 2 --runs 1 --steps 10 --seed 8"
)
passed=0 failed=0
for c in "${configurations[@]}"; do
  # shellcheck disable=SC2086
  if cmp -s <("$reference" $c 2>&1) <("${runner[@]}" "$other" $c 2>&1); then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "traces differ: segsim-cli $c" >&2
  fi
done
echo "compare_traces: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
