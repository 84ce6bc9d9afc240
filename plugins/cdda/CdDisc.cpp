#include "CdDisc.h"

#include <cstdio>
#include <cstdlib>

namespace larkspin::cdda {

std::vector<AudioTrack> ReadAudioTracks(const CdDriveInfo& drive) {
    std::vector<AudioTrack> tracks;
    DiscToc toc;
    if (!ReadDiscToc(drive, toc))
        return tracks;
    // A track runs to the next one's start (its pregap included), the last one to the lead-out.
    for (size_t i = 0; i < toc.Tracks.size(); ++i) {
        const DiscTocTrack& track = toc.Tracks[i];
        const std::int32_t end = i + 1 < toc.Tracks.size() ? toc.Tracks[i + 1].Start : toc.LeadOut;
        if (track.Audio)
            tracks.push_back({track.Number, track.Start, end - 1});
    }
    return tracks;
}

std::string TrackInfoText(const AudioTrack& track) {
    const int64_t seconds = track.frames() / 44100;
    char text[32];
    std::snprintf(text, sizeof text, "Track %02d  %02d:%02d", track.number % 100,
                  static_cast<int>(seconds / 60 % 100), static_cast<int>(seconds % 60));
    return text;
}

CdDriveTable CurrentDrives() {
    CdDriveTable table;
    const char* images = std::getenv("LARKSPIN_VIRTUAL_DRIVES");
    try {
        EnumerateCdDrives(table, cdiAutoDetect, images ? images : "");
    } catch (const ECdInterfaceError&) {
        table.DriveCount = 0; // no way to reach drives: none
    }
    return table;
}

} // namespace larkspin::cdda
