#pragma once

#include "AudioTags.h"
#include "FileBytes.h"

#include <string>

namespace larkspin {

// An MP4/M4A file: the "moov" atom (found among the top-level atoms, before or after the audio; 64-bit
// sizes allowed) is read with one read. The sound track's "mdhd" (else "mvhd") gives the length, its
// sample entry ("mp4a" with "esds", or "alac") the rate, channels and bitrate, and the iTunes item list
// ("udta/meta/ilst") the texts: ©nam, ©ART, ©alb, ©day, ©gen or gnre, ©cmt, trkn, covr for the cover and the
// freeform (----) gain items.
class TMP4file : public AudioTags {
public:
    TMP4file() { Clear(); }

    void Clear() { static_cast<AudioTags&>(*this) = AudioTags{}; }
    // False when the file cannot be read; true otherwise, with Valid telling whether it holds a "moov"
    // atom with a length.
    bool Load(const std::string& fileName, bool wantPicture = false);
    bool Load(const FileBytes& file, bool wantPicture = false);
};

} // namespace larkspin
