// The sndfile plug-in's decoder on arbitrary bytes (see fuzz_decoder.h).
#include "fuzz_decoder.h"

std::unique_ptr<larkspin::kit::Decoder> createFuzzedDecoder() {
    return larkspin::kit::plugInDescription().createDecoder();
}
