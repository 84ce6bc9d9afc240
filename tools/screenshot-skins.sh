#!/bin/sh
# Takes pictures of the player, playlist and station windows and of every settings page in each shipped
# skin and in the built-in look, on a virtual X server (Xvfb), so the look can be reviewed. The pictures
# are not committed.
# Usage: tools/screenshot-skins.sh [output folder]   (default: skin-screenshots in the build folder)
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${LARKSPIN_SCREENSHOT_BUILD:-$ROOT/build-screenshot}
if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLARKSPIN_TESTS=OFF >/dev/null
fi
cmake --build "$BUILD" --target larkspin_skin_screenshots -j2
OUT=${1:-$BUILD/skin-screenshots}
xvfb-run -a -s "-screen 0 1280x900x24" env QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy \
    "$BUILD/tools/larkspin_skin_screenshots" "$ROOT/skins" "$OUT"
