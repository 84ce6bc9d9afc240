#!/bin/sh
# Builds the libFuzzer targets with clang (AddressSanitizer + UndefinedBehaviorSanitizer) and runs each in
# turn. Not part of the CMake build.
#   fuzz/run-all.sh [seconds per target] [target ...]
# Findings are written to fuzz/corpus-work/<target>/crashes/; copy every failing input of a tag reader to
# tests/tags/regressions/, of a decoder (fuzz_decoder_*) to tests/plugins/regressions/.
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
fuzz_laterformats
fuzz_trackinfo
fuzz_cuesheet
fuzz_decoder_mpeg
fuzz_decoder_vorbis
fuzz_decoder_sndfile
fuzz_decoder_ffmpeg
"
[ $# -gt 0 ] && TARGETS="$*"

CXX=${CXX:-clang++}
FLAGS="-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I$root/src/tags -I$root/src/app -I$root/tests/tags"
out=$here/corpus-work
mkdir -p "$out/bin"
# The reader sources and the file replacement they use, compiled into every target.
SOURCES="$(ls "$root"/src/tags/*.cpp) $root/src/app/AtomicFile.cpp"

# A decoder target: its plug-in's decoder, the kit's converter and the decoding libraries.
decoder_build() {
    name=${1#fuzz_decoder_}
    extra=$root/plugins/kit/FormatConverter.cpp
    case $name in
    mpeg) src=$root/plugins/mpeg/MpegDecoder.cpp libs=libmpg123 ;;
    vorbis) src=$root/plugins/vorbis/VorbisDecoder.cpp extra="$extra $root/plugins/vorbis/OggEnd.cpp" libs=vorbisfile ;;
    sndfile) src=$root/plugins/sndfile/SndfileDecoder.cpp libs=sndfile ;;
    ffmpeg) src=$root/plugins/ffmpeg/FfmpegBackEnd.cpp libs="libavformat libavcodec libavutil libswresample" ;;
    esac
    # shellcheck disable=SC2086
    $CXX $FLAGS -I"$root/plugins/kit" -I"$root/plugins/ffmpeg" -I"$root/plugins/include" "$here/$1.cpp" "$src" \
        $extra $(pkg-config --cflags --libs $libs soxr) -o "$out/bin/$1"
}

for t in $TARGETS; do
    echo "== building $t"
    case $t in
    fuzz_decoder_*) decoder_build "$t" ;;
    fuzz_cuesheet) $CXX $FLAGS -I"$root/src/base" "$here/$t.cpp" "$root/src/base/CueSheet.cpp" \
        "$root/src/base/DiscImageReader.cpp" "$root/src/base/WavReader.cpp" -o "$out/bin/$t" ;;
    *) $CXX $FLAGS "$here/$t.cpp" $SOURCES -o "$out/bin/$t" ;;
    esac
done
for t in $TARGETS; do
    corpus=$out/$t/corpus
    mkdir -p "$corpus" "$out/$t/crashes"
    # Seed with the real test files and earlier findings.
    cp -n "$root"/../shared/testdata/taglib/* "$corpus"/ 2>/dev/null || true
    cp -n "$root"/tests/tags/regressions/* "$corpus"/ 2>/dev/null || true
    case $t in fuzz_decoder_*) cp -n "$root"/tests/plugins/regressions/* "$corpus"/ 2>/dev/null || true ;; esac
    # The decoding libraries' own leaks (libvorbis inside libsndfile leaks on some damaged files) are not
    # ours; the test suite's leak checker covers the plug-ins.
    leaks=1
    case $t in fuzz_decoder_*) leaks=0 ;; esac
    echo "== running $t for ${seconds}s"
    ASAN_OPTIONS=detect_leaks=$leaks nice -n 10 "$out/bin/$t" "$corpus" -max_total_time="$seconds" -max_len=65536 -timeout=10 -detect_leaks=$leaks \
        -rss_limit_mb=2048 -artifact_prefix="$out/$t/crashes/" -print_final_stats=1 \
        > "$out/$t/log.txt" 2>&1 || echo "!! $t stopped with a finding: see $out/$t/"
    tail -n 12 "$out/$t/log.txt"
done
