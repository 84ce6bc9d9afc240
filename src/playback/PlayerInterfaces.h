#pragma once

#include "GainTags.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace larkspin {

class PlayOrder;

// The playlist as the player sees it. The player addresses entries by their index in the entry list.
class PlayerEntryList {
public:
    struct Entry {
        std::string Path;
        std::string Artist;
        std::string Album;
        std::string Year;
        std::string Title;
    };

    virtual ~PlayerEntryList() = default;

    virtual int Count() const = 0;
    // Entry at index (0 <= index < Count()).
    virtual Entry EntryAt(int index) const = 0;
    // True while the list is being rebuilt; the player prepares nothing then.
    virtual bool PlaylistBusy() const = 0;
    // Shows which entry is the current one (index -1: none).
    virtual void MarkCurrentEntry(int index) = 0;
    // Deselects every row, then selects row index (negative: only deselects). The list reports the new
    // selection back through PlayerController::PlaylistSelectionChanged, also when the row was selected
    // before, so a stopped player prepares that entry.
    virtual void SelectRow(int index) = 0;
    virtual void ScrollToRow(int index) = 0;
    // The play order of the entries: the current entry, the shuffle order, next and previous. The list
    // keeps it in step with its entries; the player moves through it.
    virtual PlayOrder& Order() = 0;
    virtual const PlayOrder& Order() const = 0;
};

// The audio CD track list of the playlist's CD panel.
class PlayerCdTrackList {
public:
    virtual ~PlayerCdTrackList() = default;
    virtual int CdTrackCount() const = 0;
    // The caption of a track row, shown in the title display while the CD plays.
    virtual std::string CdTrackCaption(int track) const = 0;
    virtual void SelectCdRow(int track) = 0;
    virtual void MarkCurrentCdTrack(int track) = 0;
};

// The playback plug-in as the player drives it: choosing and switching the plug-in for a file and the
// call-throughs to the bound plug-in. Play, Pause and Stop are ignored while no plug-in is ready; the
// queries are only asked while one is.
class PlayerPlugIns {
public:
    virtual ~PlayerPlugIns() = default;

    virtual bool PlugInReady() const = 0;
    // Row of the plug-in table that plays path, or none.
    virtual std::optional<int> ChoosePlugIn(const std::string& path) = 0;
    // Binds row unless it is already the running plug-in and the player is playing.
    virtual void SwitchPlugIn(int row, bool playing) = 0;

    virtual void LoadFile(const std::string& path) = 0;
    virtual void Play(int32_t fadeMs) = 0;
    virtual void Pause(int32_t fadeMs) = 0;
    virtual void Stop(int32_t fadeMs) = 0;
    virtual int32_t GetLength() = 0;
    virtual int32_t GetPos() = 0;
    virtual uint8_t GetState() = 0;
    virtual bool GetNowFading() = 0;
    virtual void SetPos(int32_t seconds) = 0;
    virtual void SetVolume(int32_t volume) = 0;
    // The loudness gain of the file loaded last, in hundredths of a dB (plug-ins that cannot apply one
    // ignore it).
    virtual void SetFileGain(int32_t hundredthsDb) { (void)hundredthsDb; }
    virtual void PlayCDTrack(int32_t drive, int32_t track, const char* command) = 0;
    // Why the file loaded last cannot be played, once the plug-in knows it cannot; empty while it plays,
    // and always empty from a plug-in that does not say.
    virtual std::string LoadError() { return {}; }
};

// File services the player needs from the track information service and the library. Each can be
// swapped (tests, or until the service is linked in).
struct PlayerFileServices {
    // A file is available when its path is ready (absolute, its nearest existing folder readable) and
    // a regular file exists there. Never throws; an empty, relative or URL path is not available.
    std::function<bool(const std::string& path)> FileAvailable;
    // Cuts the cover picture of an MP3 file into folder + "/temp.jpg"; false when the file has none.
    std::function<bool(const std::string& path, const std::string& folder)> ExtractCover;
    // Adds a played file to the library when the library wants it.
    std::function<void(const std::string& path)> AddPlayedFile;
    // The loudness normalisation values of a file's tags (none when not set).
    std::function<GainTags(const std::string& path)> ReadGain;
};

// The track information service's file check (FileAvailable), never throwing.
bool LocalFileAvailable(const std::string& path);

// The services of the running program: the track information service's file check and cover picture
// (FindAudioStart, then ExtractCover). AddPlayedFile is left to the library.
PlayerFileServices TrackInfoFileServices();

} // namespace larkspin
