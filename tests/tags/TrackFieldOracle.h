#pragma once

// The record of one file as the field-by-field rules build it: one GetTrackInfo call (one read) per
// field. A record filled with one read must equal it. Standard library only (the fuzz targets use it).

#include "FileNameParts.h"
#include "TrackInfo.h"

#include <string>

namespace fixtures {

inline larkspin::TrackRecord RecordFieldByField(const std::string& path, bool useId3v2) {
    using namespace larkspin;
    TrackRecord r;
    const std::string name = GetFileNamePart(path);
    r[RecordArtist] = GetTrackInfo(path, InfoArtist, useId3v2);
    if (r[RecordArtist].empty())
        r[RecordArtist] = SplitArtistTitle(name, 1);
    r[RecordTitle] = GetTrackInfo(path, InfoTitle, useId3v2);
    if (r[RecordTitle].empty())
        r[RecordTitle] = SplitArtistTitle(name, 2);
    r[RecordLength] = GetTrackInfo(path, InfoLength, false);
    r[RecordAlbum] = GetTrackInfo(path, InfoAlbum, useId3v2);
    r[RecordBitrate] = GetTrackInfo(path, InfoBitrate, false);
    r[RecordYear] = GetTrackInfo(path, InfoYear, useId3v2);
    r[RecordStyle] = GetTrackInfo(path, InfoStyle, useId3v2);
    r[RecordComment] = GetTrackInfo(path, InfoComment, useId3v2);
    r[RecordTrack] = GetTrackInfo(path, InfoTrack, useId3v2);
    r[RecordSize] = GetTrackInfo(path, InfoSize, false);
    r[RecordPath] = path;
    return r;
}

} // namespace fixtures
