#!/usr/bin/env bash
# Set-up, build and the whole test suite (window tests run offscreen).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
cd build
ctest --output-on-failure -j"$(nproc)"
# The loader fuzz campaigns: one line per loader (cases, loaded, refused).
grep -h '^\[fuzz\]' Testing/Temporary/LastTest.log || true
# Once more on a Russian desktop: every number must keep its "." there.
echo "== the suite under LC_ALL=ru_RU.UTF-8"
LC_ALL=ru_RU.UTF-8 LANG=ru_RU.UTF-8 ctest --output-on-failure -j"$(nproc)"
# The Debian package of the two programs, with its contents listed.
echo "== the package"
rm -rf package
cpack -G DEB -B package
dpkg-deb -c package/tpscalc_*.deb
