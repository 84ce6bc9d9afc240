#pragma once

#include "PlayerInterfaces.h"

namespace larkspin {

class TPlugInHost;
struct Settings;

// The player's view of the decoder plug-in host. Before a plug-in is switched, the host takes the
// current DirectSound, PlayVolume and StopTime settings.
class HostPlayerPlugIns : public PlayerPlugIns {
public:
    HostPlayerPlugIns(TPlugInHost& host, const Settings& settings) : host_(host), settings_(settings) {}

    bool PlugInReady() const override;
    std::optional<int> ChoosePlugIn(const std::string& path) override;
    void SwitchPlugIn(int row, bool playing) override;
    void LoadFile(const std::string& path) override;
    void Play(int32_t fadeMs) override;
    void Pause(int32_t fadeMs) override;
    void Stop(int32_t fadeMs) override;
    int32_t GetLength() override;
    int32_t GetPos() override;
    uint8_t GetState() override;
    bool GetNowFading() override;
    void SetPos(int32_t seconds) override;
    void SetVolume(int32_t volume) override;
    void PlayCDTrack(int32_t drive, int32_t track, const char* command) override;

private:
    TPlugInHost& host_;
    const Settings& settings_;
};

} // namespace larkspin
