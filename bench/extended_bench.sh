#!/usr/bin/env bash
# The software extended format against the x87 unit: the same segsim-cli run with both builds,
# alternately, the best of REPEATS each. One CSV line per scenario:
# scenario,hardware_s,software_s,ratio. usage: bench/extended_bench.sh [REPEATS]
# Builds: build/ (x87) and build-soft/ (-DSEGSIM_SOFT_EXTENDED=ON), e.g. by ./dev soft.
set -euo pipefail
cd "$(dirname "$0")/.."
repeats=${1:-5}
hardware=build/cli/segsim-cli
software=build-soft/cli/segsim-cli
for b in "$hardware" "$software"; do
  [ -x "$b" ] || { echo "no $b: run ./dev soft first" >&2; exit 1; }
done
scenarios=(
  "defaults|run --seed 1 --steps 200"
  "radius 20|run --seed 1 --steps 200 --radius 20"
  "694 x 694 cells, 80 % occupied|run --seed 1 --steps 20 --cell-size 1 --agents 385308"
)
seconds() {  # the run's wall time in seconds
  local t0 t1
  t0=$(date +%s%N)
  "$@" >/dev/null
  t1=$(date +%s%N)
  echo $(((t1 - t0) / 1000))
}
echo "scenario,hardware_s,software_s,ratio"
for s in "${scenarios[@]}"; do
  name=${s%%|*} args=${s#*|}
  best_h=999999999 best_s=999999999
  for ((i = 0; i < repeats; i++)); do
    # shellcheck disable=SC2086
    h=$(seconds "$hardware" $args) sw=$(seconds "$software" $args)
    ((h < best_h)) && best_h=$h
    ((sw < best_s)) && best_s=$sw
  done
  awk -v n="$name" -v h="$best_h" -v s="$best_s" \
    'BEGIN { printf "%s,%.4f,%.4f,%.2f\n", n, h / 1e6, s / 1e6, s / h }'
done
