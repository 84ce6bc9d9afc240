#pragma once

#include <string>

namespace larkspin {

class TID3v1;
class TID3v2;

// Writes the given tags (either may be null: that tag is left as it is) into an MP3 file. With both, the
// file is rebuilt once with the new ID3v2 tag in front and the new ID3v1 tag at the end, so a failure
// leaves the file exactly as it was rather than with one tag new and the other old.
bool SaveId3Tags(const std::string& fileName, const TID3v1* id3v1, const TID3v2* id3v2);

} // namespace larkspin
