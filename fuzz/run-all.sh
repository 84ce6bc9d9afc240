#!/bin/sh
# Builds the libFuzzer targets with clang (AddressSanitizer + UndefinedBehaviorSanitizer) and runs each in
# turn. Not part of the CMake build.
#   fuzz/run-all.sh [seconds per target] [target ...]
# Findings are written to fuzz/corpus-work/<target>/crashes/; copy every failing input to tests/tags/regressions/.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
seconds=${1:-600}
[ $# -gt 0 ] && shift

# One target name per line.
TARGETS="
fuzz_id3v1
fuzz_id3v2
fuzz_mpegaudio
fuzz_wav
fuzz_ogg
fuzz_wma
fuzz_trackinfo
"
[ $# -gt 0 ] && TARGETS="$*"

CXX=${CXX:-clang++}
FLAGS="-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I$root/src/tags -I$root/src/app -I$root/tests/tags"
out=$here/corpus-work
mkdir -p "$out/bin"
# The reader sources and the file replacement they use, compiled into every target.
SOURCES="$(ls "$root"/src/tags/*.cpp) $root/src/app/AtomicFile.cpp"

for t in $TARGETS; do
    echo "== building $t"
    $CXX $FLAGS "$here/$t.cpp" $SOURCES -o "$out/bin/$t"
done
for t in $TARGETS; do
    corpus=$out/$t/corpus
    mkdir -p "$corpus" "$out/$t/crashes"
    # Seed with the real test files and earlier findings.
    cp -n "$root"/../shared/testdata/taglib/* "$corpus"/ 2>/dev/null || true
    cp -n "$root"/tests/tags/regressions/* "$corpus"/ 2>/dev/null || true
    echo "== running $t for ${seconds}s"
    nice -n 10 "$out/bin/$t" "$corpus" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
        -rss_limit_mb=2048 -artifact_prefix="$out/$t/crashes/" -print_final_stats=1 \
        > "$out/$t/log.txt" 2>&1 || echo "!! $t stopped with a finding: see $out/$t/"
    tail -n 12 "$out/$t/log.txt"
done
