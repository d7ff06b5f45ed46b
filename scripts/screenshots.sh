#!/bin/sh
# Makes the pictures of the user's guide (docs/user-guide.md) again from the
# default data: builds the screenshot tool and runs it offscreen into
# docs/guide/. Run it after a change of the windows and commit the pictures.
#
#   scripts/screenshots.sh [BUILD_DIR]    (default: build)
set -eu
cd "$(dirname "$0")/.."
build=${1:-build}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake -S . -B "$build" -DTPS_BUILD_TOOLS=ON >/dev/null
cmake --build "$build" --target tpscalc-screenshots
rm -f docs/guide/*.png
QT_QPA_PLATFORM=offscreen "$build/tools/tpscalc-screenshots" docs/guide
