#pragma once

#include "AudioTags.h"
#include "FileBytes.h"

#include <string>

namespace larkspin {

// An Ogg Opus file: OpusHead for the channels, input rate and pre-skip, OpusTags (a comment packet that
// may span several pages) for the texts and a METADATA_BLOCK_PICTURE cover, and the last page's granule
// position for the length: (granule - pre-skip) samples at 48 kHz. SampleRate is the input rate the
// encoder was given (48000 when it was not).
class TOpusFile : public AudioTags {
public:
    TOpusFile() { Clear(); }

    void Clear() { static_cast<AudioTags&>(*this) = AudioTags{}; }
    // False when the file cannot be read; true otherwise, with Valid telling whether it is Ogg Opus.
    bool Load(const std::string& fileName, bool wantPicture = false);
    bool Load(const FileBytes& file, bool wantPicture = false);
};

} // namespace larkspin
