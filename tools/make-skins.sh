#!/bin/sh
# Draws the pictures of the shipped skins into skins/ and writes their skin.ini files. The results are
# committed; run this after changing tools/make-skins.cpp.
# Usage: tools/make-skins.sh [build folder]   (default: build)
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja >/dev/null
fi
cmake --build "$BUILD" --target larkspin_make_skins
"$BUILD/tools/larkspin_make_skins" "$ROOT/skins"
echo "skins written to $ROOT/skins"
