#!/usr/bin/env bash
# The pictures of docs/charts/: the default schedule "gdp\file00.gdp" run in a
# fresh working directory, then every chart of that run drawn by
# "tpscalc-cli chart" without a display. Kind 4 (rail potentials) is recorded
# by the constructor runs only, so the schedule run leaves nothing to draw.
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
  # A fixed seed: the train colours of kind 3 come from the program's generator.
  "$CLI" --workdir "$WORK" chart --kind "$kind" --seed 1 --png "$OUT/$kind-${names[$kind]}.png" >/dev/null
done
echo "written: $(ls "$OUT")"
