#pragma once

#include "PlayerInterfaces.h"

#include <memory>

namespace larkspin {

class TPlugInHost;

// The playback plug-in as the player window hands it to its controller. The window exists before the
// settings window has enumerated the plug-ins, so the socket starts empty (no plug-in ready) and is
// plugged later: into the plug-in host of the running program, or into any other PlayerPlugIns.
class PlayerPlugInSocket : public PlayerPlugIns {
public:
    void plug(PlayerPlugIns* target) { target_ = target; }
    // Plugs the socket into a plug-in host (null unplugs it).
    void plugHost(TPlugInHost* host);
    PlayerPlugIns* target() const { return target_; }

    bool PlugInReady() const override { return target_ && target_->PlugInReady(); }
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
    PlayerPlugIns* target_ = nullptr;
    std::unique_ptr<PlayerPlugIns> hostAdapter_;
};

} // namespace larkspin
