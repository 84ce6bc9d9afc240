#pragma once

#include "AudioTags.h"
#include "FileBytes.h"

#include <string>

namespace larkspin {

// A FLAC file (after an ID3v2 tag, if any): STREAMINFO for the rate, channels, sample width and length,
// the Vorbis comment block for the texts, a PICTURE block for the cover. The bitrate is that of the
// audio behind the metadata.
class TFLACfile : public AudioTags {
public:
    TFLACfile() { Clear(); }

    void Clear() { static_cast<AudioTags&>(*this) = AudioTags{}; }
    // False when the file cannot be read; true otherwise, with Valid telling whether it is FLAC with a
    // STREAMINFO block. With wantPicture the front cover (else the first picture) goes to Picture.
    bool Load(const std::string& fileName, bool wantPicture = false);
    bool Load(const FileBytes& file, bool wantPicture = false);
};

} // namespace larkspin
