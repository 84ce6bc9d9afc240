#pragma once

#include "Decoder.h"

#include <memory>

namespace larkspin::kit {

// Reads one audio CD track, named by a CdTrackPath text, through libcdio-paranoia: 44100 Hz, stereo,
// exactly the samples on the disc.
std::unique_ptr<Decoder> CreateCddaDecoder();

} // namespace larkspin::kit
