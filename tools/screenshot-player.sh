#!/bin/sh
# Builds the player window and saves a screenshot of it, taken on a virtual X server (Xvfb), while
# it plays a generated track through the build's decoder plug-ins on SDL's silent "dummy" driver.
# Usage: tools/screenshot-player.sh [output.png [track]]   (default: player-screenshot.png in the build
# folder, playing a generated track)
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${LARKSPIN_SCREENSHOT_BUILD:-$ROOT/build-screenshot}
if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$BUILD" --target larkspin_screenshot -j2
# The plug-ins are optional: without one the window shows the "no plug-in" message instead.
cmake --build "$BUILD" --target IB_sndfile -j2 >/dev/null 2>&1 || echo "note: no sndfile plug-in built"
OUT=${1:-$BUILD/player-screenshot.png}
xvfb-run -a -s "-screen 0 640x400x24" env QT_QPA_PLATFORM=xcb LARKSPIN_AUDIO_DRIVER=dummy \
    SDL_AUDIODRIVER=dummy "$BUILD/tests/larkspin_screenshot" "$OUT" ${2:+"$2"}
echo "$OUT"
