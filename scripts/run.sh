#!/usr/bin/env bash
# Set-up, build, seed a working directory with the default data and start the
# program there. The working directory is work/ (or the first argument).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
WORK_DIR=${1:-work}
mkdir -p "$WORK_DIR"
./build/tpscalc-cli --workdir "$WORK_DIR" seed
exec ./build/tpscalc --workdir "$WORK_DIR"
