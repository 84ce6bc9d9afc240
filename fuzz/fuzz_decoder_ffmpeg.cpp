// The FFmpeg plug-in's decoder (its back end) on arbitrary bytes (see fuzz_decoder.h).
#include "FfmpegBackEnd.h"
#include "fuzz_decoder.h"

std::unique_ptr<larkspin::kit::Decoder> createFuzzedDecoder() {
    return std::unique_ptr<larkspin::kit::Decoder>(LarkspinFfmpegCreateDecoder());
}
