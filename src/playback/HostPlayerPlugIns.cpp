#include "HostPlayerPlugIns.h"

#include "PlugInHost.h"
#include "Settings.h"

namespace larkspin {

bool HostPlayerPlugIns::PlugInReady() const {
    return host_.PlugInReady();
}

std::optional<int> HostPlayerPlugIns::ChoosePlugIn(const std::string& path) {
    int row = host_.ChoosePlugIn(path);
    return row < 0 ? std::nullopt : std::optional<int>(row);
}

void HostPlayerPlugIns::SwitchPlugIn(int row, bool playing) {
    PlugInHostOptions& o = host_.options();
    o.DirectSound = settings_.DirectSound;
    o.PlayVolume = settings_.PlayVolume;
    o.StopTime = settings_.StopTime;
    host_.SwitchPlugIn(row, playing);
}

void HostPlayerPlugIns::LoadFile(const std::string& path) {
    host_.LoadFile(path);
}
void HostPlayerPlugIns::Play(int32_t fadeMs) {
    host_.Play(fadeMs);
}
void HostPlayerPlugIns::Pause(int32_t fadeMs) {
    host_.Pause(fadeMs);
}
void HostPlayerPlugIns::Stop(int32_t fadeMs) {
    host_.Stop(fadeMs);
}
int32_t HostPlayerPlugIns::GetLength() {
    return host_.GetLength();
}
int32_t HostPlayerPlugIns::GetPos() {
    return host_.GetPos();
}
uint8_t HostPlayerPlugIns::GetState() {
    return host_.GetState();
}
bool HostPlayerPlugIns::GetNowFading() {
    return host_.GetNowFading();
}
void HostPlayerPlugIns::SetPos(int32_t seconds) {
    host_.SetPos(seconds);
}
void HostPlayerPlugIns::SetVolume(int32_t volume) {
    host_.SetVolume(volume);
}

void HostPlayerPlugIns::PlayCDTrack(int32_t drive, int32_t track, const char* command) {
    host_.PlayCDTrack(drive, track, command);
}

} // namespace larkspin
