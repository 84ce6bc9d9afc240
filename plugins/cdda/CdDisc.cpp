#include "CdDisc.h"

#include <cdio/cdio.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace larkspin::cdda {

std::vector<AudioTrack> ReadAudioTracks(const CdDriveInfo& drive) {
    std::vector<AudioTrack> tracks;
    const std::unique_ptr<CdIo_t, void (*)(CdIo_t*)> cd(OpenCdDevice(drive), [](CdIo_t* p) {
        if (p)
            cdio_destroy(p);
    });
    if (!cd)
        return tracks;
    const track_t first = cdio_get_first_track_num(cd.get());
    const track_t count = cdio_get_num_tracks(cd.get());
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK)
        return tracks;
    for (int i = 0; i < count && first + i <= CDIO_CD_MAX_TRACKS; ++i) {
        const auto number = static_cast<track_t>(first + i);
        if (cdio_get_track_format(cd.get(), number) != TRACK_FORMAT_AUDIO)
            continue;
        const lsn_t start = cdio_get_track_lsn(cd.get(), number);
        const lsn_t last = cdio_get_track_last_lsn(cd.get(), number);
        // A damaged sheet can claim anything; a track must have sectors in rising order.
        if (start == CDIO_INVALID_LSN || last == CDIO_INVALID_LSN || start < 0 || last < start)
            continue;
        tracks.push_back({number, start, last});
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
