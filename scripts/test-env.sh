# Sourced by test.sh and scripts/stress-tests.sh: builds the ASan/UBSan tree build-test/ and sets the
# environment its tests run in. Expects to be sourced from the source folder.
scripts/install-deps.sh test
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLARKSPIN_SANITIZE=ON -DLARKSPIN_TESTS=ON >/dev/null
cmake --build build-test
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
