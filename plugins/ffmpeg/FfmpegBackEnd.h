#pragma once

// Between IB_ffmpeg.so and its back end (FfmpegBackEnd.so beside it), both built together: the one
// function the back end exports. The caller owns the decoder, which the back end's code deletes
// through its virtual destructor.
namespace larkspin::kit {
class Decoder;
}

#define LARKSPIN_FFMPEG_BACK_END "larkspin_ffmpeg_backend.so"
#define LARKSPIN_FFMPEG_CREATE_DECODER "LarkspinFfmpegCreateDecoder"

extern "C" {
typedef larkspin::kit::Decoder* (*LarkspinFfmpegCreateDecoderFn)(void);
__attribute__((visibility("default"))) larkspin::kit::Decoder* LarkspinFfmpegCreateDecoder(void);
}
