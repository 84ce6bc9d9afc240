#!/usr/bin/env bash
# Builds Larkspin with AddressSanitizer and UndefinedBehaviorSanitizer into build-test/ and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh test
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLARKSPIN_SANITIZE=ON -DLARKSPIN_TESTS=ON >/dev/null
cmake --build build-test
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
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
