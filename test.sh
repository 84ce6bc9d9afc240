#!/usr/bin/env bash
# Builds Larkspin with AddressSanitizer and UndefinedBehaviorSanitizer into build-test/ and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/test-env.sh
(cd build-test && ctest --output-on-failure -j2 "$@")

# The tests of code that crosses threads (marked THREADS) again under the thread sanitizer, in a build of
# their own (tests fork tools, hence die_after_fork=0).
TSAN=-fsanitize=thread
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLARKSPIN_TESTS=ON -DCMAKE_C_FLAGS="$TSAN -O1" \
    -DCMAKE_CXX_FLAGS="$TSAN -O1" -DCMAKE_EXE_LINKER_FLAGS=$TSAN -DCMAKE_SHARED_LINKER_FLAGS=$TSAN \
    -DCMAKE_MODULE_LINKER_FLAGS=$TSAN >/dev/null
cmake --build build-tsan --target larkspin_thread_tests
export TSAN_OPTIONS="die_after_fork=0:halt_on_error=1:suppressions=$PWD/tests/tsan.supp"
cd build-tsan
ctest --output-on-failure -j2 -L threads
