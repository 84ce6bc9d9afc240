#pragma once

#include "PlayerInterfaces.h"

#include <larkspin/decoder_plugin.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace larkspin {

struct Settings;

// True when path is a regular file holding a complete ELF object of this machine's class: its header,
// its program and section header tables and every segment lie within the file. dlopen maps a cut
// library without looking and the process dies of SIGBUS on first touch. Otherwise why says what is
// wrong.
bool IsCompleteElfObject(const std::string& path, std::string& why);

// One decoder plug-in found at start.
struct PlugInRow {
    std::string name;      // the library's file name, without folder
    std::string fileTypes; // GetFileTypes in lower case; empty for a library that is never called
    bool enabled = false;
};

// A plug-in that can decode files to WAV.
struct DecodingPlugIn {
    std::string name;
    std::string fileTypes; // lower case
};

// The values the host needs from the settings; the owner may change them at any time.
struct PlugInHostOptions {
    std::string decoderFolder; // ProgramFolder + "/PlugIn/Decoder", without trailing "/"
    intptr_t mainWindow = 0;   // handed to StartPlugIn
    bool DirectSound = true;   // SetOutputMode(0) when on, else SetOutputMode(1)
    int32_t PlayVolume = 255;  // passed unchanged to SetVolume when a plug-in is bound
    int32_t StopTime = 1000;   // fade-out time of the plug-in that SwitchPlugIn leaves
    // The running program's settings: when set, DirectSound, PlayVolume and StopTime are taken from them
    // at every switch, so the values the user changed meanwhile apply.
    const Settings* liveSettings = nullptr;
};

// The host side of the decoder plug-in contract: the plug-in table, the playback binding and the
// decoding binding. Lives on the user-interface thread; every call goes straight into a plug-in. The
// running program owns one; the player drives it as its PlayerPlugIns.
class TPlugInHost : public PlayerPlugIns {
public:
    explicit TPlugInHost(PlugInHostOptions options);
    ~TPlugInHost() override;
    TPlugInHost(const TPlugInHost&) = delete;
    TPlugInHost& operator=(const TPlugInHost&) = delete;

    PlugInHostOptions& options() { return options_; }

    // Scans decoderFolder for IB_*.so (prefix in any case, names in byte order), selects each one,
    // fills the table, the CD list and the decoding list, and rebuilds PlugCheck (one "1" or "0" per
    // row). An empty PlugCheck enables every row. The last library stays bound.
    void EnumeratePlugIns(std::string& PlugCheck);

    // Loads decoderFolder/name and looks up the 25 playback exports (and SetFileGain of version 2).
    // Returns PlugInReady. A library that
    // is cut short or answers a contract version the host does not know is never called.
    bool BindPlugIn(const std::string& name);
    // Closes the bound library (unless it is the decoding one), binds name, starts it (unless it is the
    // decoding one), sets its output mode and volume.
    void SelectPlugIn(const std::string& name);

    // Thin call-throughs to the playback plug-in. Nothing is called while PlugInReady is false; the
    // queries then answer 0, false or an empty text.
    void LoadFile(const std::string& path) override;
    void Play(int32_t fadeMs) override;
    void Pause(int32_t fadeMs) override;
    void Stop(int32_t fadeMs) override;
    int32_t GetLength() override;
    int32_t GetPos() override;
    void SetPos(int32_t seconds) override;
    uint8_t GetState() override;
    bool GetNowFading() override;
    void SetVolume(int32_t volume) override;
    // Only plug-ins of contract version 2 and later take it; older ones play every file unchanged.
    void SetFileGain(int32_t hundredthsDb) override;
    std::string GetFileTypes();
    int32_t GetCDTrackCount(int32_t drive);
    std::string GetCDTrackInfos(int32_t track);
    void PlayCDTrack(int32_t drive, int32_t track, const char* command) override;
    // The optional GetLoadError export; empty when the bound plug-in lacks it.
    std::string LoadError() override;

    // The last enabled row whose types contain the path's extension (upper-cased, substring test);
    // none when no row does.
    std::optional<int> ChoosePlugIn(const std::string& path) override;
    // Unless row is the current one and the player is playing: Stop(StopTime) on the current plug-in,
    // make row current, report its name through ActualPlugInChanged, SelectPlugIn.
    void SwitchPlugIn(int row, bool playing) override;

    // Position in DecodingPlugIns of the last entry whose types contain extension (with its dot, any
    // case); -1 for none.
    int FindDecodingPlugIn(const std::string& extension) const;
    // Loads decoderFolder/name for decoding. Returns false when the library cannot be loaded or lacks a
    // decode export; the decode call-throughs then do nothing.
    bool LoadDecodingPlugIn(const std::string& name);
    // StartPlugIn on the decoding library, only when it is not the playback library.
    void StartDecodingPlugIn();
    void DecodeFile(const std::string& source, const std::string& outputFolder);
    int32_t GetDecodePos();
    void CancelDecode();
    // Releases the decoding binding; ClosePlugIn is sent only when it is not the playback library.
    void UnloadDecodingPlugIn();

    const std::vector<PlugInRow>& PlugInTable() const { return table_; }
    std::vector<PlugInRow>& PlugInTable() { return table_; }
    bool PlugInReady() const override { return ready_; }
    const std::string& PlaybackPlugInName() const { return playbackName_; }
    int CurrentPlugInIndex() const { return currentIndex_; }
    const std::string& DecodingPlugInName() const { return decodingName_; }
    const std::vector<std::string>& CdPlugIns() const { return cdPlugIns_; }
    const std::vector<DecodingPlugIn>& DecodingPlugIns() const { return decoding_; }
    // PlugCheck as the table's enabled flags stand now.
    std::string PlugCheck() const;

    // Shows the name of the row SwitchPlugIn moved to (the settings window's "Actual PlugIn:" field).
    std::function<void(const std::string&)> ActualPlugInChanged;

private:
    // The library, loaded; null (logged to larkspin.plugins) when it is incomplete, cannot be loaded or
    // was built for an unknown contract version.
    void* openLibrary(const std::string& name);
    void takeLiveSettings();

    PlugInHostOptions options_;
    std::vector<PlugInRow> table_;
    std::vector<std::string> cdPlugIns_;
    std::vector<DecodingPlugIn> decoding_;
    std::map<std::string, void*> playbackLibraries_; // kept loaded once bound
    void* playbackHandle_ = nullptr;
    void* decodingHandle_ = nullptr;
    std::vector<void*> playback_; // the 25 exports in lookup order, all set when ready_
    LarkspinGetLoadErrorFn loadError_ = nullptr; // optional
    LarkspinSetFileGainFn setFileGain_ = nullptr; // version 2 and later
    bool ready_ = false;
    std::string playbackName_;
    int currentIndex_ = 0;
    std::string decodingName_;
    LarkspinDecodeFileFn decodeFile_ = nullptr;
    LarkspinStartPlugInFn decodeStart_ = nullptr;
    LarkspinClosePlugInFn decodeClose_ = nullptr;
    LarkspinGetDecodePosFn decodePos_ = nullptr;
    LarkspinCancelDecodeFn decodeCancel_ = nullptr;
};

} // namespace larkspin
