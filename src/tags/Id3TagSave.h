#pragma once

#include <string>

namespace larkspin {

class TID3v1;
class TID3v2;

// Writes the given tags (either may be null: that tag is left as it is) into an MP3 file. The file is
// rebuilt once, under a temporary name renamed over the original, with the ID3v2 tag in front
// (TID3v2::TagReplacing: only the changed fields' frames are new) and the ID3v1 tag at the end, so a
// failure or a kill leaves the file exactly as it was rather than with one tag new and the other old.
// When the old ID3v2 tag could not be kept frame by frame, problem (when given) says why.
bool SaveId3Tags(const std::string& fileName, const TID3v1* id3v1, const TID3v2* id3v2,
                 std::string* problem = nullptr);

} // namespace larkspin
