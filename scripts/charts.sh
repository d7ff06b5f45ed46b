#!/usr/bin/env bash
# The pictures of docs/charts/: the default schedule "gdp\file00.gdp" run in a
# fresh working directory, then every chart of that run drawn by
# "tpscalc-cli chart" without a display. Kind 4 (rail potentials) is recorded
# by the runs of a user circuit only: it is drawn from the example circuit
# docs/examples/contact_wire_rails.json (a contact wire fed from both ends and
# its rails, into which every train returns its current) run through the
# example schedule.
# Usage: scripts/charts.sh [BUILD_DIR]   (default build/, built beforehand)
set -euo pipefail
cd "$(dirname "$0")/.."
CLI=${1:-build}/tpscalc-cli
OUT=docs/charts
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$OUT"
"$CLI" --workdir "$WORK" seed
"$CLI" --workdir "$WORK" run --mode schedule --schedule file00.gdp >/dev/null
names=(schedule loss schedule-loss train-voltages rail-potentials feeder-currents)
for kind in 0 1 2 3 5; do
  "$CLI" --workdir "$WORK" chart --kind "$kind" --png "$OUT/$kind-${names[$kind]}.png" >/dev/null
done
EXAMPLES=docs/examples
"$CLI" --workdir "$WORK" schedule make "$EXAMPLES/scheme2_trains.csv" --out two.gdp --scheme 2 >/dev/null
"$CLI" --workdir "$WORK" construct "$EXAMPLES/contact_wire_rails.json" --out example.grf >/dev/null
"$CLI" --workdir "$WORK" run --mode constructor --graph example.grf --schedule two.gdp >/dev/null
"$CLI" --workdir "$WORK" chart --kind 4 --png "$OUT/4-${names[4]}.png" >/dev/null
echo "written: $(ls "$OUT")"
