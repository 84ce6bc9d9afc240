#!/usr/bin/env bash
# Builds Larkspin into build/ (its program folder) and starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLARKSPIN_TESTS=OFF >/dev/null
cmake --build build
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "Larkspin needs a display; without one, run it as: xvfb-run -a ./run.sh" >&2
    exit 1
fi
exec build/larkspin "$@"
